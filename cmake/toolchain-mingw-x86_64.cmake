# Cross-build of the Windows program for 64-bit Windows with mingw-w64 (the
# POSIX threads variant of the compilers). Use:
#   cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-x86_64.cmake
set(LUMBRAVICK_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)

# The unit tests run as Windows programs under Wine's 64-bit loader.
find_program(LUMBRAVICK_WINE64 NAMES wine64 PATHS /usr/lib/wine /usr/lib/x86_64-linux-gnu/wine NO_DEFAULT_PATH)
if(NOT LUMBRAVICK_WINE64)
  find_program(LUMBRAVICK_WINE64 NAMES wine64)
endif()
if(LUMBRAVICK_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${LUMBRAVICK_WINE64})
endif()
