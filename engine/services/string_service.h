// The built-in STRING service (-action -str METHOD result input arguments...):
// string and path functions whose results go to transient variables named by the
// script. It keeps no state between calls. Any thread (it only touches the
// variable store).
#pragma once

#include <cstdint>

namespace ob::engine {

/// The service's entry point (the service_main form: a null-terminated word array,
/// words[0] "-str", words[1] the method). Result codes: 0 success, 1 no method,
/// 2 a required word missing, 4 the operation failed (JR.LAST_ERROR set: GetAt or
/// SetAt outside the string, FullPath unable to build a path), 6 unknown method.
std::int32_t StringService(const char* const* words);

} // namespace ob::engine
