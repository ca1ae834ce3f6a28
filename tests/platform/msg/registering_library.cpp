// A library of its own that registers window messages from its code: the test
// builds it twice (two shared objects) and compares their ids with its own.
#include "platform/msg/registered_message.h"

#include <cstdint>

#ifndef OB_REGISTERING_FUNCTION
#error "OB_REGISTERING_FUNCTION names the exported function"
#endif

extern "C" __attribute__((visibility("default"))) std::uint32_t
OB_REGISTERING_FUNCTION(const char* name) {
    return ob::msg::RegisterWindowMessage(name);
}
