// Where qvl takes passwords from: a file, QVL_PASSWORD, or a question on a
// terminal without echo (twice for a backup, with the backup dialog's checks);
// never a plain argument. Run as the built binary, on a pseudo-terminal where asked.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "store/records.h"
#include "tests/cli/qvl_session.h"
#include "tests/support/archive_builder.h"
#include "tests/support/run_tool.h"
#include "tests/support/temp_dir.h"

namespace qv::test {
namespace {

constexpr char kMismatch[] = "Wrong password, please enter the password twice into the password boxes!";
constexpr char kTooShort[] = "Password too short, please make sure your password has six or more characters!";
constexpr char kUnusable[] =
    "Password has characters that protection cannot use, please use only Western European letters, digits and "
    "signs!";

bool OpensWith(const std::filesystem::path& archive, const std::u16string& password) {
  const std::string bytes = ReadFileBytes(archive);
  if (bytes.size() < kArchiveHeaderSize) return false;
  ArchiveHeaderBytes header{};
  std::copy_n(bytes.begin(), header.size(), header.begin());
  return CheckPassword(DecodeArchiveHeader(header), password);
}

class QvlPasswordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    session.Profile().AddFavorite("a.url", "[InternetShortcut]\r\nURL=http://a.example/\r\n");
    profile = "--profile=" + session.Profile().ProfileDir().string();
  }
  QvlSession session;
  std::string profile;
};

TEST_F(QvlPasswordTest, ABackupAsksTwiceWithTheDialogsChecks) {
  const QvlResult made = session.RunInTerminal({"backup", "p.qvl", "--protect", profile},
                                               {"first-one", "second-one", "short", "short", "good-one", "good-one"});
  EXPECT_EQ(made.exitCode, 0) << made.out;
  const std::size_t mismatch = made.out.find(kMismatch);
  const std::size_t tooShort = made.out.find(kTooShort);
  EXPECT_NE(mismatch, std::string::npos) << made.out;
  EXPECT_NE(tooShort, std::string::npos) << made.out;
  EXPECT_LT(mismatch, tooShort);
  for (const char* typed : {"first-one", "second-one", "good-one"}) {
    EXPECT_EQ(made.out.find(typed), std::string::npos) << "echoed: " << typed;
  }
  EXPECT_TRUE(OpensWith(session.Scratch("p.qvl"), u"good-one"));

  // A mismatch comes first even when one of the two is too short.
  const QvlResult refused = session.RunInTerminal({"backup", "q.qvl", "--protect", profile},
                                                  {"abc", "abcdefg", "abc", "abcdefg", "abc", "abcdefg"});
  EXPECT_EQ(refused.exitCode, 2);
  EXPECT_EQ(refused.out.find(kTooShort), std::string::npos) << refused.out;
  EXPECT_FALSE(std::filesystem::exists(session.Scratch("q.qvl")));
}

TEST_F(QvlPasswordTest, ReadingCommandsAskOnceOnATerminal) {
  ASSERT_EQ(session.RunOnProfile("backup p.qvl --compress", "QVL_PASSWORD=right-one").exitCode, 0);
  for (const std::vector<std::string>& command :
       {std::vector<std::string>{"verify", "p.qvl"}, {"restore", "p.qvl", "--dry-run", profile},
        {"extract", "p.qvl", "--to", "out"}, {"export-bookmarks", "p.qvl", "-o", "b.html"}}) {
    SCOPED_TRACE(command[0]);
    const QvlResult right = session.RunInTerminal(command, {"right-one"});
    EXPECT_EQ(right.exitCode, 0) << right.out;
    EXPECT_NE(right.out.find("Password of p.qvl: "), std::string::npos) << right.out;
    EXPECT_EQ(right.out.find("right-one"), std::string::npos) << "the password was echoed";
    const QvlResult wrong = session.RunInTerminal(command, {"wrong-one"});
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_NE(wrong.out.find("Wrong password! Please check it again!"), std::string::npos) << wrong.out;
  }
  EXPECT_EQ(session.RunInTerminal({"verify", "p.qvl"}, {kEndOfInput}).exitCode, 2) << "Ctrl-D instead of a password";
}

TEST_F(QvlPasswordTest, FilesAndTheEnvironmentComeFirstAndAPlainArgumentIsNone) {
  ASSERT_EQ(session.RunOnProfile("backup p.qvl", "QVL_PASSWORD=right-one").exitCode, 0);
  WriteFileBytes(session.Scratch("right.txt"), "right-one\r\nanother line\n");
  WriteFileBytes(session.Scratch("wrong.txt"), "wrong-one\n");
  struct Case {
    std::string arguments;
    std::string environment;
    int exitCode;
  };
  const std::vector<Case> cases = {
      {"verify p.qvl --password-file right.txt", "", 0},
      {"verify p.qvl", "QVL_PASSWORD=right-one", 0},
      {"verify p.qvl --password-file right.txt", "QVL_PASSWORD=wrong-one", 0},  // the file wins
      {"verify p.qvl --password-file wrong.txt", "QVL_PASSWORD=right-one", 1},
      {"verify p.qvl", "", 2},                                // no terminal to ask on
      {"verify p.qvl --password-file missing.txt", "", 2},
      {"verify p.qvl --password right-one", "", 2},           // no such option
      {"list p.qvl", "", 0},                                  // heads are in the clear
      {"extract p.qvl --to out", "", 2},
      {"export-bookmarks p.qvl", "", 2},
      {"restore p.qvl --dry-run " + profile, "", 2},
      {"backup q.qvl --protect " + profile, "", 2},           // --protect with nothing to give it
      {"backup q.qvl " + profile, "QVL_PASSWORD=short", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments + " " + c.environment);
    EXPECT_EQ(session.Run(c.arguments, c.environment).exitCode, c.exitCode);
  }
  EXPECT_FALSE(std::filesystem::exists(session.Scratch("q.qvl")));
}

// A password another program hands over: a pipe on standard input ("-" or
// /dev/stdin), a FIFO, a process substitution. Its first line only, within a
// bound however long the stream; never a terminal, where echo would be on.
TEST_F(QvlPasswordTest, PipesHandOverTheirFirstLine) {
  ASSERT_EQ(session.RunOnProfile("backup p.qvl", "QVL_PASSWORD=right-one").exitCode, 0);
  ASSERT_EQ(mkfifo(session.Scratch("fifo").c_str(), 0600), 0);
  const std::string verify = std::string("env -u QVL_PASSWORD '") + QUORVEL_QVL_BINARY + "' verify p.qvl --password-file ";
  struct Case {
    std::string command;
    int exitCode;
  };
  const std::vector<Case> cases = {
      {"printf 'right-one\\nmore\\n' | " + verify + "-", 0},
      {"printf 'right-one\\r\\n' | " + verify + "/dev/stdin", 0},
      {"(printf 'right-one\\n' > fifo &) && " + verify + "fifo", 0},
      {"bash -c \"" + verify + "<(printf right-one)\"", 0},
      {"yes right-one | " + verify + "-", 0},  // a writer that never ends
      {"printf 'wrong-one\\n' | " + verify + "-", 1},
      {verify + "/dev/zero", 2},  // no line feed within the bound
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    EXPECT_EQ(RunTool("cd '" + session.ScratchText("") + "' && " + c.command).exitCode, c.exitCode);
  }
  const QvlResult terminal = session.RunInTerminal({"verify", "p.qvl", "--password-file", "-"}, {"right-one"});
  EXPECT_EQ(terminal.exitCode, 2) << terminal.out;
  EXPECT_NE(terminal.out.find("terminal"), std::string::npos) << terminal.out;
}

// The key keeps a password only in Windows-1252, so a new backup takes no password
// it would weaken; archives made with one before still open with it. A password
// file's byte-order mark is no part of the password, and an empty QVL_PASSWORD
// is none.
TEST_F(QvlPasswordTest, ANewBackupTakesOnlyPasswordsItsKeyKeepsWhole) {
  WriteFileBytes(session.Scratch("cyrillic.txt"), "секретик\n");
  WriteFileBytes(session.Scratch("marked.txt"), "\xEF\xBB\xBFright-one\n");
  WriteFileBytes(session.Scratch("zero.txt"), std::string("right\0one\n", 10));
  struct Case {
    std::string arguments;
    std::string environment;
    int exitCode;
    std::u16string opensWith;  // empty: no archive, or an unprotected one
  };
  const std::vector<Case> cases = {
      {"backup c.qvl --protect", "QVL_PASSWORD=секретик", 2, u""},
      {"backup c.qvl --password-file cyrillic.txt", "", 2, u""},
      {"backup c.qvl --password-file zero.txt", "", 2, u""},
      {"backup w.qvl --protect", "QVL_PASSWORD=Grüße€œ", 0, u"Grüße€œ"},
      {"backup m.qvl --password-file marked.txt", "", 0, u"right-one"},
      {"backup e.qvl", "QVL_PASSWORD=", 0, u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments + " " + c.environment);
    const QvlResult result = session.RunOnProfile(c.arguments, c.environment);
    EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
    const std::filesystem::path archive = session.Scratch(c.arguments.substr(7, 5));
    if (c.exitCode != 0) {
      EXPECT_NE(result.err.find("protection"), std::string::npos) << result.err;
      EXPECT_FALSE(std::filesystem::exists(archive));
    } else if (c.opensWith.empty()) {
      EXPECT_EQ(ReadFileBytes(archive)[8], '\0') << "unprotected";
    } else {
      EXPECT_TRUE(OpensWith(archive, c.opensWith));
    }
  }

  const QvlResult asked = session.RunInTerminal({"backup", "t.qvl", "--protect", profile},
                                                {"секретик", "секретик", "good-one", "good-one"});
  EXPECT_EQ(asked.exitCode, 0) << asked.out;
  EXPECT_NE(asked.out.find(kUnusable), std::string::npos) << asked.out;

  // Made before: a Cyrillic password, and a password file whose mark was kept.
  for (const auto& [name, password] : {std::pair{"old-cyrillic.qvl", std::u16string(u"секретик")},
                                       std::pair{"old-marked.qvl", std::u16string(u"\uFEFFright-one")}}) {
    ArchiveBuilder().Header(true, password).File(u"%USERPROFILE%\\Favorites", u"a.url", "a",
                                                 Coding{false, true, password}).WriteTo(session.Scratch(name));
  }
  EXPECT_EQ(session.Run("verify old-cyrillic.qvl", "QVL_PASSWORD=секретик").exitCode, 0);
  EXPECT_EQ(session.Run("verify old-marked.qvl --password-file marked.txt").exitCode, 0);
  EXPECT_EQ(session.Run("verify m.qvl --password-file marked.txt").exitCode, 0);
}

}  // namespace
}  // namespace qv::test
