# Shared part of the mingw-w64 toolchain files: set LUMBRAVICK_MINGW_TRIPLET
# (x86_64-w64-mingw32 or i686-w64-mingw32) and include this file.
set(CMAKE_SYSTEM_NAME Windows)
string(REGEX REPLACE "-.*" "" CMAKE_SYSTEM_PROCESSOR "${LUMBRAVICK_MINGW_TRIPLET}")

# The POSIX threads variant: std::thread and std::mutex work with it.
set(CMAKE_C_COMPILER ${LUMBRAVICK_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LUMBRAVICK_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${LUMBRAVICK_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${LUMBRAVICK_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained exe: the C and C++ runtimes and winpthread are linked in,
# so nothing but the system's own DLLs is needed next to it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# GoogleTest for the target: built from Debian's source package
# (libgtest-dev puts it in /usr/src/googletest) as part of this build.
set(GTest_DIR ${CMAKE_CURRENT_LIST_DIR}/gtest-cross)
