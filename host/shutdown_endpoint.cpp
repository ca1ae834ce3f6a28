#include "host/shutdown_endpoint.h"

#include "obrenta/host.h"
#include "obrenta/setup.h"
#include "platform/msg/message_queue.h"

namespace ob::host {

ShutdownEndpoint::~ShutdownEndpoint() {
    msg::RemoveFdWatch(watch_);
}

bool ShutdownEndpoint::Open() {
    std::string problem;
    if (!listener_.Open(control::EndpointDirectory(), problem)) {
        err_ << "obrenta: no endpoint for the installer: " << problem << "\n";
        return false;
    }
    watch_ = msg::AddFdWatch(listener_.Fd(), [this] {
        listener_.Serve([this](std::string_view message, std::uint64_t wParam, std::int64_t) {
            if (message != OB_SETUP_SHUTDOWN_MESSAGE || wParam != OB_SETUP_SHUTDOWN_CODE) {
                return std::int64_t{0};
            }
            if (!requested_) {
                requested_ = true;
                err_ << "obrenta: shutting down at the installer's request\n";
                err_.flush();
                msg::PostQuitMessage(0);
            }
            return std::int64_t{OB_SETUP_SHUTDOWN_CODE};
        });
    });
    return true;
}

} // namespace ob::host
