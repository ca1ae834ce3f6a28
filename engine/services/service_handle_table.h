// Objects that a service keeps between calls (a connection, an image, a mail
// session), known to scripts by handle texts.
//
// A handle text is the lower-case hexadecimal form ("%lx") of a table id, never an
// address: a script may store, copy or forge any text in a variable, and a text that
// names no live entry is a bad handle (result 3), never something dereferenced. Ids
// start at 1 and are never reused, so a handle of a removed object stays bad. Any
// thread; the table's own lock guards it, and an object found stays alive as long as
// the caller holds the returned pointer, even when another call removes it.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace ob::engine {

/// Base of every object a service keeps in the table.
class ServiceObject {
public:
    virtual ~ServiceObject() = default;
};

class ServiceHandleTable {
public:
    /// Keeps `object`; its handle text.
    std::string Add(std::shared_ptr<ServiceObject> object);
    /// The object a handle text names, or null.
    std::shared_ptr<ServiceObject> Find(std::string_view handle) const;
    /// The object whose handle text the transient variable `variable` holds; null
    /// when the variable is missing or names no live object.
    std::shared_ptr<ServiceObject> FromVariable(const char* variable) const;
    /// Forgets the object (freed once no caller holds it). False for a bad handle.
    bool Remove(std::string_view handle);
    std::size_t Size() const;

    /// The id of a handle text: 1 to 16 hexadecimal digits (either case), nothing
    /// else, not 0.
    static std::optional<std::uint64_t> ParseHandle(std::string_view handle);
    /// The handle text of an id ("%lx").
    static std::string FormatHandle(std::uint64_t id);

private:
    mutable std::mutex lock_;
    std::unordered_map<std::uint64_t, std::shared_ptr<ServiceObject>> objects_;
    std::uint64_t nextId_ = 1;
};

/// The table the built-in services share for the life of the process.
ServiceHandleTable& ServiceHandles();

} // namespace ob::engine
