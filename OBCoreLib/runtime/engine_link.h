// The runtime object's only way back into the engine: registered window messages
// sent (synchronously) to the engine's relay window, with the engine context as
// WPARAM and a record as LPARAM that lives for the length of the send.
//
//   Setup(0, window)  stores the window and sends OB_RELAY_PING (0, 0) to it
//   Setup(1, value)   stores the engine context; other selectors change nothing
//   Print(text)       OB_PRINT, LPARAM the text (zero-terminated)
//   Return(action)    OB_EXCEPTION, LPARAM {kind 0, action text}
//   Raise()           OB_EXCEPTION, LPARAM {kind 1, null}
//   AddUpdateInfo     OB_UPDATE, LPARAM four text pointers in a row
//
// A message is sent only while the stored window is a live window; otherwise the
// call does nothing (and still succeeds). The window and the context are
// pointer-sized: a window is a small id, the context identifies a session (the
// engine's own handle of it), which the relay window checks before using. One
// link per runtime object; the thread that uses the object.
#pragma once

#include "platform/msg/message.h"

#include <cstdint>
#include <string>

namespace ob::corelib {

/// The ids of the four messages, registered by name when the library loads.
struct RelayMessageIds {
    std::uint32_t ping;
    std::uint32_t print;
    std::uint32_t exception;
    std::uint32_t update;
};
const RelayMessageIds& RelayMessages();

class EngineLink {
public:
    void Setup(std::int32_t selector, std::int64_t value);
    void Print(const std::string& text) const;
    void Return(const std::string& action) const;
    void Raise() const;
    void AddUpdateInfo(const std::string& item, const std::string& value,
                       const std::string& attribute, const std::string& attributeValue) const;

    msg::Hwnd Window() const { return window_; }
    msg::WPARAM Context() const { return context_; }

private:
    void Send(std::uint32_t message, msg::LPARAM payload) const;

    msg::Hwnd window_ = 0;
    msg::WPARAM context_ = 0;
};

} // namespace ob::corelib
