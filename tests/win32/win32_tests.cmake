# Tests of the Windows backend: Windows programs, run on Windows or under
# Wine (CMake's cross-compiling emulator). The window tests need a display
# (on Linux: DISPLAY naming an X server such as Xvfb). Paths are taken from
# this file's folder: it is included from other directories too.
set(LUMBRAVICK_WIN32_TESTS_DIR ${CMAKE_CURRENT_LIST_DIR})
find_package(GTest REQUIRED)
include(GoogleTest)

file(GLOB test_sources CONFIGURE_DEPENDS ${LUMBRAVICK_WIN32_TESTS_DIR}/test_win32_*.cpp)
# With the resources of the program, to compare with the embedded copy.
set(has_resource_script 0)
if(LUMBRAVICK_RC_FILE)
  list(APPEND test_sources ${LUMBRAVICK_RC_FILE})
  lumbravick_rc_depends_on_resources()
  set(has_resource_script 1)
endif()
# The manifest and version script too; a source's dependencies are set per
# directory, so the manifest is named again here.
set_property(SOURCE ${LUMBRAVICK_WIN32_RC} APPEND PROPERTY OBJECT_DEPENDS
  ${PROJECT_SOURCE_DIR}/toolkit/win32/lumbravick.manifest)
add_executable(lumbravick_win32_tests ${test_sources} ${LUMBRAVICK_WIN32_RC})
target_link_libraries(lumbravick_win32_tests PRIVATE lumbravick_win32 GTest::gtest GTest::gtest_main)
target_compile_definitions(lumbravick_win32_tests PRIVATE
  LUMBRAVICK_HAS_RESOURCE_SCRIPT=${has_resource_script})
# They share one screen, one taskbar and one registry: one at a time.
gtest_discover_tests(lumbravick_win32_tests DISCOVERY_TIMEOUT 120
  PROPERTIES TIMEOUT 120 RESOURCE_LOCK lumbravick_win32_desktop)

# The helper that the end-to-end run under Wine looks at the desktop with
# (tools/ci/windows.sh).
add_executable(lumbravick-winprobe ${LUMBRAVICK_WIN32_TESTS_DIR}/winprobe.cpp)
target_link_libraries(lumbravick-winprobe PRIVATE lumbravick_win32)
# The desktop shell it plays the game on: the shell's windows in one of its
# layouts, with a wallpaper and icons (Wine has no icon layer of its own).
add_executable(lumbravick-testshell ${LUMBRAVICK_WIN32_TESTS_DIR}/testshell.cpp)
target_link_libraries(lumbravick-testshell PRIVATE user32 gdi32)
# The taskbar of the guardian's run (tools/ci/windows-guardian.sh), on a Wine
# desktop without one of its own.
add_executable(lumbravick-standin-taskbar ${LUMBRAVICK_WIN32_TESTS_DIR}/standin_taskbar.cpp)
target_link_libraries(lumbravick-standin-taskbar PRIVATE user32 gdi32)
