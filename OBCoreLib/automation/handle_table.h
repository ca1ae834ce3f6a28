// Handle objects: what a method hands a script as a 32-bit number standing for an
// object of the library (a copied message, an AT job record or list, a logon token,
// an FTP session). The script owns it until FreeHandle.
//
// A handle is an id in one process-wide table, never an address: ids count up from
// 1 and are not given out again while the table has not wrapped around its 31-bit
// range, and an id that names no live entry, or an entry of another kind, is
// simply not found. So a freed, forged or stale handle is an error for the method,
// never a memory access. The table holds at most kMaxHandles live entries; past
// that Add fails (a script that never frees its handles runs out of handles, not
// of memory). Any thread; entries are shared, so a payload stays alive for a
// method that is using it even if another thread frees its handle meanwhile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace ob::corelib {

/// The kinds of handle objects (the numbers are the records' kind tags).
enum class HandleKind : std::uint32_t {
    Message = 205,
    JobInfo = 206,
    JobList = 207,
    Token = 208,
    FtpSession = 209,
};

/// What a handle stands for. Each kind derives its payload from this.
class HandlePayload {
public:
    virtual ~HandlePayload() = default;
    virtual HandleKind Kind() const = 0;
    /// Releases what the payload holds when its handle is freed; the truth that
    /// FreeHandle answers (an FTP session answers whether closing it succeeded).
    /// Called once, by Free.
    virtual bool Close() { return true; }
};

class HandleTable {
public:
    static constexpr std::size_t kMaxHandles = std::size_t{1} << 20;

    /// The table every object of the process shares.
    static HandleTable& Process();

    /// A new handle for `payload` (never 0); 0 when the table is full or the
    /// payload is null.
    [[nodiscard]] std::int32_t Add(std::shared_ptr<HandlePayload> payload);

    /// The payload of a live handle of `kind`, or null.
    std::shared_ptr<HandlePayload> Find(std::int32_t handle, HandleKind kind) const;

    template <typename Payload> std::shared_ptr<Payload> FindAs(std::int32_t handle) const {
        return std::static_pointer_cast<Payload>(Find(handle, Payload::kKind));
    }

    /// Removes a live handle of any kind and closes its payload; what Close
    /// answered, or nothing when the handle names no live entry.
    enum class FreeResult { Unknown, Closed, CloseFailed };
    [[nodiscard]] FreeResult Free(std::int32_t handle);

    std::size_t Count() const;

    HandleTable();
    ~HandleTable();
    HandleTable(const HandleTable&) = delete;
    HandleTable& operator=(const HandleTable&) = delete;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace ob::corelib
