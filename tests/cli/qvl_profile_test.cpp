// The profile that backup, status and restore work on, run as the built binary: a
// missing one is named and never made (a mistyped path, a disk not mounted), the
// default one is made only by a restore, a folder that is no profile is not backed
// up as an empty one, a read-only profile without Favorites still gives up its
// settings, and every summary names the profile.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "tests/cli/qvl_session.h"
#include "tests/support/archive_builder.h"
#include "tests/support/run_tool.h"
#include "tests/support/temp_dir.h"
#include "tests/support/unprivileged.h"

namespace qv::test {
namespace {

namespace fs = std::filesystem;

constexpr unsigned kNobody = 65534;

class QvlProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ArchiveBuilder().Header().File(u"%USERPROFILE%\\Favorites", u"a.url", "a").WriteTo(session.Scratch("a.qvl"));
  }
  QvlSession session;
};

TEST_F(QvlProfileTest, AMissingProfileIsNamedAndNeverMade) {
  const std::string missing = session.ScratchText("mnt/alice");
  const std::string defaultProfile = session.ScratchText("xdg/quorvel/profile");
  struct Case {
    std::string arguments;
    std::string environment;
    std::string told;  // on standard error
  };
  const std::vector<Case> cases = {
      {"backup b.qvl --profile=" + missing, "", "the profile folder " + missing + " does not exist\n"},
      {"status --profile=" + missing, "", "the profile folder " + missing + " does not exist\n"},
      {"restore a.qvl --profile=" + missing, "", "the profile folder " + missing + " does not exist\n"},
      {"restore a.qvl --dry-run --json --profile=" + missing, "", "the profile folder " + missing + " does not exist\n"},
      {"backup b.qvl", "QUORVEL_PROFILE=" + missing, missing + " does not exist (QUORVEL_PROFILE names it)"},
      {"backup b.qvl", "", "the default profile folder " + defaultProfile + " does not exist yet"},
      {"status", "", "the default profile folder " + defaultProfile + " does not exist yet"},
      {"restore a.qvl --dry-run", "", "the default profile folder " + defaultProfile + " does not exist yet"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments + " " + c.environment);
    const QvlResult result = session.Run(c.arguments, c.environment);
    EXPECT_EQ(result.exitCode, 1) << result.out << result.err;
    EXPECT_NE(result.err.find(c.told), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(session.Scratch("mnt")));
    EXPECT_FALSE(fs::exists(session.Scratch("xdg/quorvel")));
    EXPECT_FALSE(fs::exists(session.Scratch("b.qvl")));
  }
  // Only a restore makes the default profile: the program's own, to restore into.
  const QvlResult restored = session.Run("restore a.qvl");
  EXPECT_EQ(restored.exitCode, 0) << restored.out << restored.err;
  EXPECT_TRUE(fs::is_regular_file(session.Scratch("xdg/quorvel/profile/Favorites/a.url")));
  EXPECT_EQ(session.Run("status").out.rfind("Profile       " + defaultProfile + "\n", 0), 0u);
}

// One level off (the Users folder, a mount point) a folder holds neither
// Favorites nor NTUSER.DAT; backed up, it would make an empty archive.
TEST_F(QvlProfileTest, AFolderThatIsNoProfileIsNotReadAsAnEmptyOne) {
  fs::create_directory(session.Scratch("Users"));
  const std::string users = " --profile=" + session.ScratchText("Users");
  for (const std::string command : {"backup b.qvl", "status"}) {
    const QvlResult refused = session.Run(command + users);
    EXPECT_EQ(refused.exitCode, 1) << command;
    EXPECT_NE(refused.err.find("holds neither a Favorites folder nor NTUSER.DAT"), std::string::npos) << refused.err;
  }
  EXPECT_FALSE(fs::exists(session.Scratch("b.qvl")));
  EXPECT_EQ(session.Run("restore a.qvl" + users).exitCode, 0) << "a new profile is restored into";
}

TEST_F(QvlProfileTest, SummariesNameTheProfileAndSayWhatItLacks) {
  ProfileFixture& profile = session.Profile();
  const std::string folder = profile.ProfileDir().string();
  const QvlResult noSettings = session.RunOnProfile("backup b.qvl");
  EXPECT_EQ(noSettings.exitCode, 0) << noSettings.err;
  EXPECT_EQ(noSettings.out.rfind("Backed up the profile " + folder + " to " + session.ScratchText("b.qvl"), 0), 0u)
      << noSettings.out;
  EXPECT_NE(noSettings.out.find("The profile has no NTUSER.DAT, so it holds no IE settings.\n"), std::string::npos)
      << noSettings.out;

  profile.SetValue(kIeKey, u"v", 3, "x");
  fs::remove(profile.FavoritesDir());
  const QvlResult noFavorites = session.RunOnProfile("backup b.qvl");
  EXPECT_EQ(noFavorites.exitCode, 0) << noFavorites.err;
  EXPECT_NE(noFavorites.out.find("The profile has no Favorites folder, so it holds no favorites.\n"), std::string::npos)
      << noFavorites.out;
  EXPECT_EQ(noFavorites.out.find("NTUSER.DAT"), std::string::npos) << noFavorites.out;
  EXPECT_FALSE(fs::exists(profile.FavoritesDir())) << "a backup makes nothing";
  EXPECT_NE(session.RunOnProfile("backup --json b.qvl").out.find("\"profile\": \"" + folder + "\""), std::string::npos);
  EXPECT_NE(session.RunOnProfile("restore a.qvl").out.find("into the profile " + folder + "\n"), std::string::npos);
}

// A Windows disk mounted read-only: the backup reads what is there and writes
// only its archive, elsewhere.
TEST_F(QvlProfileTest, AReadOnlyProfileWithoutFavoritesGivesUpItsSettings) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  ProfileFixture& profile = session.Profile();
  profile.SetValue(kIeKey, u"v", 3, "x");
  fs::remove(profile.FavoritesDir());
  fs::create_directory(session.Scratch("out"));
  ASSERT_EQ(::chmod(session.ScratchText("out").c_str(), 0777), 0);
  ASSERT_EQ(::chmod(session.ScratchText("").c_str(), 0755), 0);
  ASSERT_EQ(::chmod(profile.HivePath().c_str(), 0444), 0);
  ASSERT_EQ(::chmod(profile.ProfileDir().c_str(), 0555), 0);
  // A copy of qvl where the other user can reach it: a build folder may sit below
  // a folder that only its owner opens (mktemp -d makes such).
  const fs::path qvl = session.Scratch("qvl");
  fs::copy_file(QUORVEL_QVL_BINARY, qvl);
  ASSERT_EQ(::chmod(qvl.c_str(), 0755), 0);
  const std::string result = RunAsUnprivileged(kNobody, [&] {
    return std::to_string(RunTool("cd '" + session.ScratchText("out") + "' && env -u QVL_PASSWORD '" +
                                  qvl.string() + "' backup b.qvl --profile='" + profile.ProfileDir().string() +
                                  "'").exitCode);
  });
  EXPECT_EQ(result, "0");
  EXPECT_FALSE(fs::exists(profile.FavoritesDir()));
  const QvlResult listed = session.Run("list out/b.qvl");
  EXPECT_NE(listed.out.find("1 record (0 favorites, 1 setting)"), std::string::npos) << listed.out;
}

}  // namespace
}  // namespace qv::test
