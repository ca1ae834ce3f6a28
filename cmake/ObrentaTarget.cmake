# Compiler settings shared by every target of our own.
function(ob_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  # g++ 12 at -O3 reports false overlaps inside std::string (GCC bug 105329).
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/include ${PROJECT_SOURCE_DIR})
endfunction()

# OB_ASSERT (platform/diagnostics/assert.h) checks invariants in Debug and
# sanitizer builds and costs nothing elsewhere.
if(OB_SANITIZE OR CMAKE_BUILD_TYPE STREQUAL "Debug")
  add_compile_definitions(OB_ASSERTIONS)
endif()
if(OB_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(OB_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
