// The platforms the contract tests run on: one line each, for the system built for.
#include "tests/platform/contract/platform_harness.h"
#ifdef _WIN32
#include "tests/platform/contract/win32_harness.h"
#else
#include "tests/platform/contract/linux_harness.h"
#endif

namespace qv::test {

#ifdef _WIN32
INSTANTIATE_TEST_SUITE_P(Win32, PlatformContract, ::testing::Values(kWin32Platform));
#else
INSTANTIATE_TEST_SUITE_P(Linux, PlatformContract, ::testing::Values(kLinuxPlatform));
#endif

}  // namespace qv::test
