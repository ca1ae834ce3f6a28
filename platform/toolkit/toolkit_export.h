// Export macro of the toolkit library (obtoolkit).
#pragma once

#if defined(OB_TOOLKIT_BUILD)
#define OB_TOOLKIT_API __attribute__((visibility("default")))
#else
#define OB_TOOLKIT_API
#endif
