// Export marker of the obvbscript library (hidden visibility by default).
#pragma once

#if defined(OB_VBSCRIPT_BUILD)
#define OB_VBSCRIPT_API __attribute__((visibility("default")))
#else
#define OB_VBSCRIPT_API
#endif
