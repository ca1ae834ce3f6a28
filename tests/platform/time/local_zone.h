// Test support: run a test in a named time zone (one with daylight-saving time, so
// that local-time conversions are exercised) and put the previous zone back.
#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace ob::test {

class LocalZone {
public:
    explicit LocalZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) {
            previous_ = old;
        }
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~LocalZone() {
        if (previous_) {
            ::setenv("TZ", previous_->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }
    LocalZone(const LocalZone&) = delete;
    LocalZone& operator=(const LocalZone&) = delete;

private:
    std::optional<std::string> previous_;
};

} // namespace ob::test
