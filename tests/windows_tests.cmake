# The tests of the Windows build, run under Wine by ctest (the toolchain file
# names Wine as the emulator). What runs here: the data stages, the platform
# contract against the Win32 platform with what only Windows does, the store's
# records and block pool, and the layer check. The suites that build Linux
# profiles (a folder with an NTUSER.DAT hive) stay on Linux.
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
  ${support_dir}/fault_injecting_platform.cpp)
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

quorvel_windows_test(store ${CMAKE_CURRENT_SOURCE_DIR}/store/records_test.cpp
                     ${CMAKE_CURRENT_SOURCE_DIR}/store/block_pool_test.cpp)

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
