// The built-in IMAGE service (-action -img FUNCTION handle arguments...): loads
// GIF, BMP and JFIF pictures, crops them and saves them as BMP or JPEG. Images live
// in the service handle table; the script names a transient variable that holds an
// image's handle text. Any thread (images are never changed once made: cropping
// makes a new one).
#pragma once

#include <cstdint>

namespace ob::engine {

/// The service's entry point (the service_main form: a null-terminated word array,
/// words[0] "-img", words[1] the function). Result codes: 0 success, 1 no function,
/// 2 the handle variable or a required argument missing, 4 failure (JR.LAST_ERROR
/// holds "IMG::Error opening image file.", "IMG::Error cropping image file.",
/// "IMG::Error saving image file." or "Bad IMG handle."), 6 unknown function.
std::int32_t ImageService(const char* const* words);

} // namespace ob::engine
