// Test support: OB_TEST_ASAN is 1 in a build with AddressSanitizer (GCC or Clang),
// whose allocator keeps freed memory and cannot be measured like the real one.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define OB_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define OB_TEST_ASAN 1
#endif
#endif
#ifndef OB_TEST_ASAN
#define OB_TEST_ASAN 0
#endif
