// qvl restore, run as the built binary: messages, exit codes, and a dry run that
// changes nothing.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/archive_builder.h"
#include "tests/support/profile_fixture.h"
#include "tests/support/restore_fixture.h"
#include "tests/support/run_tool.h"
#include "tests/support/temp_dir.h"

namespace qv::test {
namespace {

constexpr char16_t kFavorites[] = u"%USERPROFILE%\\Favorites";
constexpr char16_t kMain[] = u"Software\\Microsoft\\Internet Explorer\\Main";

struct QvlRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

class QvlRestoreTest : public ::testing::Test {
 protected:
  // Runs qvl in the scratch folder on the fixture's profile, stderr kept apart.
  QvlRun Qvl(const std::string& arguments, const std::string& environment = "") {
    const std::string errFile = profile.Scratch("stderr.txt").string();
    const ToolResult run = RunTool("cd '" + profile.Scratch("").string() + "' && env -u QVL_PASSWORD XDG_DATA_HOME='" +
                                   profile.Scratch("xdg").string() + "' " + environment + " '" + QUORVEL_QVL_BINARY +
                                   "' " + arguments + " --profile='" + profile.ProfileDir().string() + "' 2>'" +
                                   errFile + "'");
    return QvlRun{run.exitCode, run.output, ReadFileBytes(errFile)};
  }
  void Archive(const std::string& name, const ArchiveBuilder& archive) { archive.WriteTo(profile.Scratch(name)); }

  ProfileFixture profile;
};

TEST_F(QvlRestoreTest, RefusalsPrintTheirMessageAndExitOne) {
  ArchiveBuilder good;
  good.Header().File(kFavorites, u"a.url", "a");
  Archive("short.qvl", ArchiveBuilder().Raw(good.Bytes().substr(0, 115)));
  Archive("protected.qvl", ArchiveBuilder().Header(true, u"right one").File(kFavorites, u"a.url", "a", {true, true, u"right one"}));
  WriteFileBytes(profile.Scratch("wrong.txt"), "wrong one\n");

  const QvlRun missing = Qvl("restore missing.qvl");
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err.rfind("Failed to open the source file, please make sure your filename has entered correct!\n", 0), 0u)
      << missing.err;
  EXPECT_FALSE(std::filesystem::exists(profile.Scratch("missing.qvl")));

  const QvlRun incorrect = Qvl("restore short.qvl");
  EXPECT_EQ(incorrect.exitCode, 1);
  EXPECT_EQ(incorrect.err.rfind("The archive is incorrect! Please make sure the file is an archive and try again!\n", 0), 0u)
      << incorrect.err;

  const QvlRun wrong = Qvl("restore protected.qvl --password-file wrong.txt");
  EXPECT_EQ(wrong.exitCode, 1);
  EXPECT_EQ(wrong.err.rfind("Wrong password! Please check it again!\n", 0), 0u) << wrong.err;
  EXPECT_FALSE(std::filesystem::exists(profile.FavoritesDir() / "a.url"));
}

TEST_F(QvlRestoreTest, UsageErrorsExitTwo) {
  Archive("protected.qvl", ArchiveBuilder().Header(true, u"right one").File(kFavorites, u"a.url", "a", {false, true, u"right one"}));
  const QvlRun noPassword = Qvl("restore protected.qvl");
  EXPECT_EQ(noPassword.exitCode, 2);
  EXPECT_NE(noPassword.err.find("password protected"), std::string::npos) << noPassword.err;
  EXPECT_EQ(Qvl("restore protected.qvl --password-file nowhere.txt").exitCode, 2);
  EXPECT_EQ(Qvl("restore").exitCode, 2);
  EXPECT_EQ(Qvl("restore protected.qvl --no-such-option").exitCode, 2);
  EXPECT_EQ(Qvl("restore --help").exitCode, 0);
}

TEST_F(QvlRestoreTest, PasswordsComeFromTheFileOrTheEnvironment) {
  Archive("protected.qvl", ArchiveBuilder().Header(true, u"right one").File(kFavorites, u"a.url", "a", {true, true, u"right one"}));
  WriteFileBytes(profile.Scratch("right.txt"), "right one\r\nsecond line\n");
  const QvlRun fromFile = Qvl("restore protected.qvl --password-file right.txt");
  EXPECT_EQ(fromFile.exitCode, 0) << fromFile.out << fromFile.err;
  EXPECT_EQ(ReadFileBytes(profile.FavoritesDir() / "a.url"), "a");
  const QvlRun fromEnvironment = Qvl("restore protected.qvl", "QVL_PASSWORD='right one'");
  EXPECT_EQ(fromEnvironment.exitCode, 0) << fromEnvironment.out << fromEnvironment.err;
}

TEST_F(QvlRestoreTest, SomethingSkippedOrCutOffExitsThree) {
  ArchiveBuilder hostile;
  hostile.Header().File(kFavorites, u"ok.url", "ok").File(u"%USERPROFILE%\\..", u"evil.url", "x");
  Archive("hostile.qvl", hostile);
  const QvlRun skipped = Qvl("restore hostile.qvl");
  EXPECT_EQ(skipped.exitCode, 3);
  EXPECT_NE(skipped.out.find("Skipped 1:"), std::string::npos) << skipped.out;
  EXPECT_NE(skipped.out.find("Outcome: partial"), std::string::npos) << skipped.out;

  ArchiveBuilder whole;
  whole.Header().File(kFavorites, u"ok.url", "ok").File(kFavorites, u"cut.url", std::string(500, 'c'));
  Archive("cut.qvl", ArchiveBuilder().Raw(whole.Bytes().substr(0, whole.Size() - 20)));
  const QvlRun cut = Qvl("restore cut.qvl");
  EXPECT_EQ(cut.exitCode, 3);
  EXPECT_NE(cut.out.find("The archive ended early"), std::string::npos) << cut.out;
}

TEST_F(QvlRestoreTest, DryRunListsAndTouchesNothingThenStatusShowsTheRestoredSizes) {
  profile.AddFavorite("old.url", "old");
  ArchiveBuilder archive;
  archive.Header()
      .File(kFavorites, u"old.url", std::string(2048, 'n'))
      .Value(kMain, u"Blob", kRegBinary, std::string(3072, 'v'));
  Archive("a.qvl", archive);
  const auto before = SnapshotFiles(profile.ProfileDir());
  const QvlRun dry = Qvl("restore a.qvl --dry-run");
  EXPECT_EQ(dry.exitCode, 0) << dry.err;
  EXPECT_NE(dry.out.find("would replace favorite %USERPROFILE%\\Favorites\\old.url"), std::string::npos) << dry.out;
  EXPECT_NE(dry.out.find("would write   setting HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Main [Blob]"),
            std::string::npos)
      << dry.out;
  EXPECT_EQ(SnapshotFiles(profile.ProfileDir()), before);

  const QvlRun real = Qvl("restore a.qvl");
  EXPECT_EQ(real.exitCode, 0) << real.err;
  const QvlRun status = Qvl("status");
  EXPECT_NE(status.out.find("Favorites     2 KB"), std::string::npos) << status.out;
  EXPECT_NE(status.out.find("IE Settings   3 KB"), std::string::npos) << status.out;
}

// A profile the user cannot write: one line on standard error naming it, exit 1,
// before anything is read; a dry run says the same.
TEST_F(QvlRestoreTest, AProfileThatCannotBeWrittenFailsInOneLine) {
  if (::geteuid() != 0 || !ToolAvailable("setpriv")) GTEST_SKIP() << "needs root and setpriv to act as another user";
  Archive("a.qvl", ArchiveBuilder().Header().File(kFavorites, u"a.url", "a").Value(kMain, u"V", kRegSz, "v"));
  ASSERT_EQ(::chmod(profile.Scratch("").c_str(), 0755), 0);  // the other user reaches the profile, not writes it
  for (const char* mode : {"--dry-run", ""}) {
    SCOPED_TRACE(mode);
    const QvlRun run = Qvl(std::string("restore a.qvl ") + mode,
                           "setpriv --reuid=65534 --regid=65534 --clear-groups");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "qvl restore: the Favorites folder " + profile.FavoritesDir().string() +
                           " cannot be written: it does not take new files (Permission denied)\n");
  }
  EXPECT_FALSE(std::filesystem::exists(profile.FavoritesDir() / "a.url"));
}

}  // namespace
}  // namespace qv::test
