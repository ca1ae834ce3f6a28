// The host program's endpoint for the setup extension: it answers the shut-down
// request ("WM_SHUTDOWN" with 204) with 204 and ends the message loop, so that the
// host shuts down cleanly, and answers anything else with 0. The endpoint exists
// as long as this object; the host keeps it until its session is destroyed, so an
// installer waiting for it to go knows the engine has stopped. Main thread only.
#pragma once

#include "platform/control/host_endpoint.h"

#include <cstdint>
#include <ostream>

namespace ob::host {

class ShutdownEndpoint {
public:
    explicit ShutdownEndpoint(std::ostream& err) : err_(err) {}
    ~ShutdownEndpoint();
    ShutdownEndpoint(const ShutdownEndpoint&) = delete;
    ShutdownEndpoint& operator=(const ShutdownEndpoint&) = delete;

    /// Listens in the endpoint folder; when it cannot, says why on `err` and
    /// returns false (the host runs on without it).
    bool Open();
    /// True once a shut-down was asked for.
    bool Requested() const { return requested_; }

private:
    std::ostream& err_;
    control::EndpointListener listener_;
    std::uint32_t watch_ = 0;
    bool requested_ = false;
};

} // namespace ob::host
