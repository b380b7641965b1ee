// qvl status, run as the built binary.
#include <gtest/gtest.h>

#include "tests/support/profile_fixture.h"
#include "tests/support/run_tool.h"

namespace qv::test {
namespace {

ToolResult Status(ProfileFixture& profile, const std::string& extra = "") {
  return RunTool("XDG_DATA_HOME='" + profile.Scratch("xdg").string() + "' '" + QUORVEL_QVL_BINARY +
                 "' status --profile='" + profile.ProfileDir().string() + "'" + extra);
}

TEST(QvlStatus, ShowsBothItemsInWholeKilobytes) {
  ProfileFixture profile;
  const std::string head = "Profile       " + profile.ProfileDir().string() + "\n";
  ToolResult result = Status(profile);
  ASSERT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.output, head + "Favorites     0 KB\nIE Settings   0 KB\n");

  profile.AddFavorite("a.url", Bytes(1023));
  profile.SetValue(kIeKey, u"v", kRegBinary, Bytes(1024));
  result = Status(profile);
  EXPECT_EQ(result.output, head + "Favorites     0 KB\nIE Settings   1 KB\n");

  profile.AddFavorite("Sub/b.url", Bytes(1024));
  profile.SetValue(kIeKey, u"w", kRegBinary, Bytes(1023));
  result = Status(profile);
  EXPECT_EQ(result.output, head + "Favorites     1 KB\nIE Settings   1 KB\n");

  EXPECT_EQ(Status(profile, " --help").exitCode, 0);
}

}  // namespace
}  // namespace qv::test
