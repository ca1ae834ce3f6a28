// Telling the service manager how the service is doing: the notification protocol
// of systemd's Type=notify services. Each notification is one datagram of
// "NAME=value" lines sent to the AF_UNIX socket named by $NOTIFY_SOCKET (a path,
// or an abstract name written with a leading "@"). Without that variable the
// process does not run under a service manager and nothing is sent. Any thread.
#pragma once

#include "platform/export.h"

#include <string_view>

namespace ob::service {

/// The state changes a service reports.
enum class ServiceState {
    Ready,     ///< "READY=1": start-up (or a reload) is complete
    Reloading, ///< "RELOADING=1": the configuration is being read again
    Stopping,  ///< "STOPPING=1": the service is shutting down
};

/// Outcome of one notification.
enum class NotifyResult {
    Sent,
    NoManager, ///< $NOTIFY_SOCKET is not set: nothing to tell
    Failed,    ///< the socket could not be reached (the reason is in errno)
};

/// Sends the state line, followed by "STATUS=<status>" when `status` is not empty
/// (a line break in it ends the status text there). Reloading also sends
/// "MONOTONIC_USEC=", which service managers use to pair the reload with its end.
OB_PLATFORM_API NotifyResult NotifyServiceManager(ServiceState state, std::string_view status = {});

} // namespace ob::service
