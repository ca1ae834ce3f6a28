// Symbol visibility of the platform library. Every library is built with hidden
// visibility; only what is marked here is visible to the engine, the automation
// library and the host program, so that the platform's singletons (queues, windows,
// registered messages, the environment lock) exist once per process.
#pragma once

#if defined(OB_PLATFORM_BUILD)
#define OB_PLATFORM_API __attribute__((visibility("default")))
#else
#define OB_PLATFORM_API
#endif
