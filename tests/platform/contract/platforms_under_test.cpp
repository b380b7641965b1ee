// The platforms the contract tests run on: one line each.
#include "tests/platform/contract/linux_harness.h"
#include "tests/platform/contract/platform_harness.h"

namespace qv::test {

INSTANTIATE_TEST_SUITE_P(Linux, PlatformContract, ::testing::Values(kLinuxPlatform));

}  // namespace qv::test
