// Where a library that a program loads by name at run time is found. Any thread.
#pragma once

#include "platform/export.h"

#include <string>

namespace ob::fs {

/// The path to dlopen for `library`: a name with a "/" as it is; otherwise the file
/// of that name beside the object (program or shared library) that holds `anchor`,
/// or in ../lib from it (the run path the build gives every library and program),
/// else the bare name for the dynamic loader's own search. The run path is not left
/// to dlopen, because a sanitizer's dlopen interceptor makes the run-time library
/// the caller whose run path counts. `anchor` is the address of any function of the
/// calling object.
OB_PLATFORM_API std::string LibraryPathBeside(const void* anchor, const std::string& library);

} // namespace ob::fs
