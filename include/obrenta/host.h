/* What a host program needs of the platform layer: a window with its procedure on
 * the host's thread, the message loop, and the id of WM_OBRENTA_EVENT. */
#ifndef OBRENTA_HOST_H
#define OBRENTA_HOST_H

#include "platform/msg/message_queue.h"
#include "platform/msg/registered_message.h"
#include "platform/msg/thread_timer.h"
#include "platform/msg/window.h"

#include <cstdint>

namespace ob::host {

/// Name of the registered message that carries engine events.
inline constexpr const char* kEventMessageName = "WM_OBRENTA_EVENT";

/// Id of WM_OBRENTA_EVENT in this process.
inline std::uint32_t EventMessage() {
    return ob::msg::RegisterWindowMessage(kEventMessageName);
}

} // namespace ob::host

#endif /* OBRENTA_HOST_H */
