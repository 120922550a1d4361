# Cross-build of the Windows program for 32-bit Windows with mingw-w64 (the
# POSIX threads variant of the compilers). Use:
#   cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake
set(LUMBRAVICK_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)

# 32-bit programs need Wine's 32-bit loader, which only a machine with the
# i386 packages has.
find_program(LUMBRAVICK_WINE32 NAMES wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(LUMBRAVICK_WINE32 AND EXISTS /usr/lib/i386-linux-gnu/wine)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${LUMBRAVICK_WINE32})
endif()
