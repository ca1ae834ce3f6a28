// libjpeg's error manager for the IMAGE service: an error returns control to the
// function that armed the trap (setjmp/longjmp, as libjpeg's C interface requires)
// instead of ending the process, and warnings print nothing. Any thread; one trap
// per codec object.
//
// The function that calls setjmp(trap.jump) must hold only trivially destructible
// locals, and nothing of its own that it reads after the jump back: the objects
// that outlive an error (the image, buffers) belong to its caller.
#pragma once

#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE and size_t declared first

#include <jpeglib.h>

namespace ob::image {

struct JpegErrorTrap {
    jpeg_error_mgr manager; // first, so that libjpeg's pointer to it is the trap's address
    std::jmp_buf jump;
};

/// Prepares `trap` and returns the error manager to put into a codec object's `err`.
jpeg_error_mgr* ArmJpegErrorTrap(JpegErrorTrap& trap);

} // namespace ob::image
