// Export macro of the desktop library (obdesktop).
#pragma once

#if defined(OB_DESKTOP_BUILD)
#define OB_DESKTOP_API __attribute__((visibility("default")))
#else
#define OB_DESKTOP_API
#endif
