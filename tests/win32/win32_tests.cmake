# Tests of the Windows backend: Windows programs, run on Windows or under
# Wine (CMake's cross-compiling emulator). The window tests need a display
# (on Linux: DISPLAY naming an X server such as Xvfb). Paths are taken from
# this file's folder: it is included from other directories too.
set(LUMBRAVICK_WIN32_TESTS_DIR ${CMAKE_CURRENT_LIST_DIR})
find_package(GTest REQUIRED)
include(GoogleTest)

set(test_sources
  ${LUMBRAVICK_WIN32_TESTS_DIR}/test_win32_desktop.cpp
  ${LUMBRAVICK_WIN32_TESTS_DIR}/test_win32_dialogs.cpp
  ${LUMBRAVICK_WIN32_TESTS_DIR}/test_win32_events.cpp
  ${LUMBRAVICK_WIN32_TESTS_DIR}/test_win32_resources.cpp
  ${LUMBRAVICK_WIN32_RC})
if(LUMBRAVICK_RC_FILE)
  # The same resources as the program, to compare with the embedded copy.
  list(APPEND test_sources ${LUMBRAVICK_RC_FILE})
  lumbravick_rc_depends_on_resources()
endif()
add_executable(lumbravick_win32_tests ${test_sources})
target_link_libraries(lumbravick_win32_tests PRIVATE lumbravick_win32 GTest::gtest GTest::gtest_main)
if(LUMBRAVICK_RC_FILE)
  target_compile_definitions(lumbravick_win32_tests PRIVATE LUMBRAVICK_HAS_RESOURCE_SCRIPT=1)
else()
  target_compile_definitions(lumbravick_win32_tests PRIVATE LUMBRAVICK_HAS_RESOURCE_SCRIPT=0)
endif()
lumbravick_rc_safe_options(lumbravick_win32_tests)
# They share one screen, one taskbar and one registry: one at a time.
gtest_discover_tests(lumbravick_win32_tests DISCOVERY_TIMEOUT 120
  PROPERTIES TIMEOUT 120 RESOURCE_LOCK lumbravick_win32_desktop)

# The helper that the end-to-end run under Wine looks at the desktop with
# (tools/ci/windows.sh).
add_executable(lumbravick-winprobe ${LUMBRAVICK_WIN32_TESTS_DIR}/winprobe.cpp)
target_link_libraries(lumbravick-winprobe PRIVATE lumbravick_win32)
