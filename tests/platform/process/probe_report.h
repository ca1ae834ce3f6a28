// Test support: the probe program (child_probe.cpp) and reading its report; a
// throw-away local account for the account tests.
#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace ob::test {

/// The probe program's path.
std::string ProbePath();

/// What the probe wrote: each key with its values in order.
struct ProbeReport {
    std::multimap<std::string, std::string> entries;
    std::vector<std::string> All(const std::string& key) const;
    std::string One(const std::string& key) const; ///< first value, "" when none
    std::optional<std::string> Env(const std::string& name) const;
};

/// Waits up to `limit` for the report file and reads it.
std::optional<ProbeReport>
ReadProbeReport(const std::string& path,
                std::chrono::milliseconds limit = std::chrono::seconds(10));

/// A local account made for one test (as root): unique name, known password,
/// removed with its home folder by the destructor. Valid() false when it could
/// not be made (not root, no useradd).
class TemporaryAccount {
public:
    TemporaryAccount();
    ~TemporaryAccount();
    TemporaryAccount(const TemporaryAccount&) = delete;
    TemporaryAccount& operator=(const TemporaryAccount&) = delete;

    bool Valid() const { return valid_; }
    const std::string& Name() const { return name_; }
    const std::string& Password() const { return password_; }
    /// Why Valid() is false.
    const std::string& Reason() const { return reason_; }
    /// Runs a command line through /bin/sh; its exit status (retried while the
    /// account tools report a locked password or group file).
    static int Shell(const std::string& command);

private:
    bool valid_ = false;
    std::string name_;
    std::string password_;
    std::string reason_;
};

/// Children of this process that are zombies now.
std::size_t ZombieChildren();
/// Open descriptors of this process.
std::size_t OpenDescriptors();

} // namespace ob::test
