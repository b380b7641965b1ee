// qvl backup --strong, run as the built binary: every reading command opens the
// sealed archive with its password; without one nothing of it is shown; a short
// password is refused before anything is written; a changed archive is found.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/cli/qvl_session.h"
#include "tests/support/temp_dir.h"

namespace qv::test {
namespace {

constexpr char kEnvironment[] = "QVL_PASSWORD='long enough \xe4\xb8\xad'";

class QvlStrongTest : public ::testing::Test {
 protected:
  void SetUp() override {
    session.Profile().AddFavorite("Links/secret.url", "[InternetShortcut]\r\nURL=http://secret.example/\r\n");
    session.Profile().AddFavorite("big.bin", Bytes(150000, 4));
    session.Profile().SetValue(kIeKey, u"Start Page", 1, Utf16Bytes(u"http://start.example/") + std::string(2, '\0'));
    const QvlResult made = session.RunOnProfile("backup --strong --compress s.qvl", kEnvironment);
    ASSERT_EQ(made.exitCode, 0) << made.err;
    EXPECT_NE(made.out.find("strongly password protected"), std::string::npos) << made.out;
  }
  QvlSession session;
};

TEST_F(QvlStrongTest, EveryReadingCommandOpensItWithThePassword) {
  const struct {
    const char* command;
    const char* expected;
    bool bOnProfile;
    int nExitCode;
  } cases[] = {
      {"list s.qvl", "secret.url", false, 0},
      {"verify s.qvl", "Sound", false, 0},
      {"extract s.qvl --to out", "Outcome: ok", false, 0},
      // big.bin is no shortcut, and is said to be left out.
      {"export-bookmarks s.qvl -o b.html", "Wrote 1 bookmark", false, 3},
      {"restore --dry-run s.qvl", "Outcome: ok", true, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    const QvlResult read =
        c.bOnProfile ? session.RunOnProfile(c.command, kEnvironment) : session.Run(c.command, kEnvironment);
    EXPECT_EQ(read.exitCode, c.nExitCode) << read.out << read.err;
    EXPECT_NE(read.out.find(c.expected), std::string::npos) << read.out;
  }
  EXPECT_TRUE(ReadFileBytes(session.Scratch("out/Favorites/big.bin")) == Bytes(150000, 4));
}

TEST_F(QvlStrongTest, WithoutTheRightPasswordNothingIsShownOrWritten) {
  const QvlResult listed = session.Run("list s.qvl");
  EXPECT_EQ(listed.exitCode, 2);
  EXPECT_NE(listed.err.find("strongly protected"), std::string::npos) << listed.err;
  EXPECT_EQ(listed.out.find("secret"), std::string::npos);
  const QvlResult wrong = session.RunOnProfile("restore s.qvl", "QVL_PASSWORD='long enough'");
  EXPECT_EQ(wrong.exitCode, 1);
  EXPECT_NE(wrong.err.find("Wrong password"), std::string::npos) << wrong.err;
}

TEST_F(QvlStrongTest, AChangedArchiveIsFoundAndAShortPasswordRefused) {
  std::string bytes = ReadFileBytes(session.Scratch("s.qvl"));
  bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 1);
  WriteFileBytes(session.Scratch("changed.qvl"), bytes);
  const QvlResult verified = session.Run("verify changed.qvl", kEnvironment);
  EXPECT_EQ(verified.exitCode, 1);
  EXPECT_NE(verified.out.find("does not open"), std::string::npos) << verified.out;

  const QvlResult refused = session.RunOnProfile("backup --strong short.qvl", "QVL_PASSWORD=1234567");
  EXPECT_EQ(refused.exitCode, 2);
  EXPECT_NE(refused.err.find("8 or more characters"), std::string::npos) << refused.err;
  EXPECT_FALSE(std::filesystem::exists(session.Scratch("short.qvl")));
}

}  // namespace
}  // namespace qv::test
