# The tests of the Windows build, run under Wine by ctest (the toolchain file
# names Wine as the emulator). What runs here: the data stages, the platform
# contract against the Win32 platform with what only Windows does, and the
# store, source and job suites on a temporary profile served by the Win32
# platform (a folder for its favorites, a registry key of its own for its
# settings), qvl.exe on archives, and the layer check. What needs a hive file, Linux tools or Linux
# users stays on Linux.
include(GoogleTest)

# GoogleTest from the sources scripts/windows-deps copied into the prefix; its
# warnings are its own.
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${QUORVEL_WINDOWS_DEPS}/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
foreach(target gtest gtest_main)
  target_compile_options(${target} PRIVATE -w)
endforeach()

set(support_dir ${CMAKE_CURRENT_SOURCE_DIR}/support)
add_library(quorvel_test_support STATIC
  ${support_dir}/temp_dir.cpp ${support_dir}/archive_builder.cpp ${support_dir}/archive_parser.cpp
  ${support_dir}/fault_injecting_platform.cpp ${support_dir}/profile_fixture.cpp ${support_dir}/restore_fixture.cpp
  ${support_dir}/run_tool.cpp)
target_include_directories(quorvel_test_support PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(quorvel_test_support PUBLIC quorvel_jobs quorvel_platform_native gtest)

function(quorvel_windows_test name)
  add_executable(test_${name} ${ARGN})
  target_link_libraries(test_${name} PRIVATE quorvel_test_support gtest_main quorvel::lzma quorvel::crypto)
  # Each test in a process of its own, started under Wine when ctest runs it:
  # listing them at build time would run Wine during the build.
  gtest_discover_tests(test_${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120 PROPERTIES TIMEOUT 120)
endfunction()

file(GLOB processor_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/processors/*_test.cpp)
# The cross-checks against xz and openssl run those tools as Linux programs.
list(FILTER processor_tests EXCLUDE REGEX "stage_interop_test\\.cpp$")
quorvel_windows_test(processors ${processor_tests})

file(GLOB contract_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/platform/contract/*.cpp)
file(GLOB_RECURSE win32_platform_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/platform/win32/*.cpp)
quorvel_windows_test(platform ${contract_tests} ${win32_platform_tests})

# Every suite of a folder but the files that need what only Linux has.
function(quorvel_windows_suite name)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*_test.cpp)
  foreach(linux_only ${ARGN})
    list(FILTER sources EXCLUDE REGEX "/${linux_only}$")
  endforeach()
  quorvel_windows_test(${name} ${sources})
endfunction()

# The sweeps keep their scratch in /dev/shm; the dry run's rights tests act as
# other Linux users; the hostile hives are hive files.
quorvel_windows_suite(store scan/archive_scanner_sweep_test.cpp)
quorvel_windows_suite(sources)
quorvel_windows_suite(jobs dry_run_test.cpp hostile_hive_test.cpp truncation_sweep_test.cpp)

# qvl.exe run as a user runs it, on archives the tests write. The sessions that
# drive an offline profile (--profile, not served on Windows yet), a terminal,
# Linux tools or links stay with the Linux build.
add_executable(test_cli
  ${CMAKE_CURRENT_SOURCE_DIR}/cli/qvl_session.cpp ${CMAKE_CURRENT_SOURCE_DIR}/cli/win32/qvl_session_win32.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/cli/qvl_verify_test.cpp ${CMAKE_CURRENT_SOURCE_DIR}/cli/qvl_commands_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/cli/qvl_bookmarks_test.cpp)
target_link_libraries(test_cli PRIVATE quorvel_test_support gtest_main quorvel::lzma quorvel::crypto)
target_compile_definitions(test_cli PRIVATE QUORVEL_QVL_BINARY="$<TARGET_FILE:qvl>"
                                            QUORVEL_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
add_dependencies(test_cli qvl)
gtest_discover_tests(test_cli DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120 PROPERTIES TIMEOUT 120
  TEST_FILTER "QvlVerifyTest.*:QvlCommands.HelpVersionAndUnknownCommands:QvlCommands.UsageErrorsNameTheCommandAndWhatIsWrong:QvlExportBookmarks.WhatNoBrowserTakesIsSkippedAndAThousandAreNamed")

add_test(NAME layers.IncludesPointDown
         COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
                 -P ${CMAKE_CURRENT_SOURCE_DIR}/layers/check_layers.cmake)

# quorvel.exe driven through window messages (tests/app/win32/): it needs a display
# (scripts/windows-test starts Xvfb) and works on the Wine prefix's own profile, so
# it runs alone.
add_executable(test_window ${CMAKE_CURRENT_SOURCE_DIR}/app/win32/window_test.cpp)
target_link_libraries(test_window PRIVATE quorvel_test_support gtest_main quorvel::lzma quorvel::crypto)
add_dependencies(test_window quorvel qvl)
gtest_discover_tests(test_window DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                     PROPERTIES TIMEOUT 300 RUN_SERIAL TRUE)
