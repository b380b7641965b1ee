// Where qvl's output goes, as a user meets it: an output path that is a link, a
// pipe or a folder; a standard output that cannot take what is written; names from
// an archive on a terminal.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "tests/cli/qvl_session.h"
#include "tests/support/archive_builder.h"
#include "tests/support/temp_dir.h"

namespace qv::test {
namespace {

namespace fs = std::filesystem;

constexpr char16_t kFavorites[] = u"%USERPROFILE%\\Favorites";

const std::string kShortcut = "[InternetShortcut]\r\nURL=http://one.example/\r\n";

bool IsFifo(const fs::path& path) { return fs::symlink_status(path).type() == fs::file_type::fifo; }

// backup ARCHIVE: a link is followed and the file it leads to replaced in its own
// folder; a pipe or folder is refused before any work (a password is not even
// asked for) and stays what it was.
TEST(QvlOutput, AnOutputThatIsNoPlainFileIsFollowedOrRefusedNeverReplaced) {
  QvlSession session;
  session.Profile().AddFavorite("One.url", kShortcut);
  ASSERT_EQ(session.RunOnProfile("backup a.qvl").exitCode, 0);
  fs::create_directory(session.Scratch("folder"));
  ASSERT_EQ(mkfifo(session.Scratch("fifo").c_str(), 0600), 0);

  struct Case {
    const char* command;  // FILE stands for the output
    const char* prefix;   // what the new file starts with
  } const commands[] = {
      {"backup FILE --protect --profile=PROFILE", "QVL"},
  };
  for (const Case& c : commands) {
    SCOPED_TRACE(c.command);
    const auto run = [&](const std::string& file, const std::string& environment = "") {
      std::string arguments = c.command;
      arguments.replace(arguments.find("FILE"), 4, file);
      if (const std::size_t at = arguments.find("PROFILE"); at != std::string::npos) {
        arguments.replace(at, 7, session.Profile().ProfileDir().string());
      }
      return session.Run(arguments, environment);
    };
    fs::remove(session.Scratch("real"));
    fs::remove(session.Scratch("new"));
    fs::remove(session.Scratch("link"));
    fs::remove(session.Scratch("dangling"));
    WriteFileBytes(session.Scratch("real"), "earlier");
    fs::create_symlink("real", session.Scratch("link"));
    fs::create_symlink("new", session.Scratch("dangling"));

    for (const char* link : {"link", "dangling"}) {
      const QvlResult followed = run(link, "QVL_PASSWORD=secret-one");
      EXPECT_EQ(followed.exitCode, 0) << link << ": " << followed.err;
      EXPECT_TRUE(fs::is_symlink(session.Scratch(link))) << link;
      EXPECT_EQ(ReadFileBytes(session.Scratch(link)).rfind(c.prefix, 0), 0u) << link;
    }
    EXPECT_FALSE(HasTempFile(session.Scratch("")));

    const struct {
      const char* name;
      const char* message;
    } refused[] = {{"fifo", "it is a device or a pipe"}, {"folder", "it is a folder"}};
    for (const auto& r : refused) {
      const QvlResult result = run(r.name);
      EXPECT_EQ(result.exitCode, 1) << r.name << ": " << result.err;
      EXPECT_NE(result.err.find(std::string(r.name) + ": " + r.message), std::string::npos) << result.err;
    }
    EXPECT_TRUE(IsFifo(session.Scratch("fifo")));
    EXPECT_TRUE(fs::is_directory(session.Scratch("folder")));
    EXPECT_TRUE(fs::is_empty(session.Scratch("folder")));
  }
}

// A full disk under standard output: every command that wrote there fails, says
// why, and claims nothing. The listing is large enough that the loss falls in the
// middle of the run, not only at the final flush.
TEST(QvlOutput, StandardOutputThatCannotTakeItIsAFailure) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  QvlSession session;
  for (int i = 0; i < 300; ++i) session.Profile().AddFavorite("f/" + std::to_string(i) + ".url", kShortcut);
  ASSERT_EQ(session.RunOnProfile("backup a.qvl").exitCode, 0);
  const std::string profile = " --profile=" + session.ScratchText("restored");
  for (const std::string& command : std::vector<std::string>{"list a.qvl", "list --json a.qvl", "verify a.qvl", "verify --json a.qvl", "extract a.qvl --to x f/1.url",
        "extract --json a.qvl --to y f/2.url", "export-bookmarks a.qvl", "export-bookmarks a.qvl -o - -q",
        "restore a.qvl" + profile, "restore --dry-run a.qvl" + profile, "restore --dry-run --json a.qvl" + profile,
        "status" + profile, "backup b.qvl --profile=" + session.Profile().ProfileDir().string()}) {
    SCOPED_TRACE(command);
    const QvlResult result = session.Run(command + " >/dev/full");
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_NE(result.err.find("cannot write to standard output: No space left on device"), std::string::npos)
        << result.err;
    EXPECT_EQ(result.err.find("Wrote"), std::string::npos) << result.err;
  }
}

// An archive's names carry what a terminal obeys: shown escaped, in every
// command's human output, on standard output and on standard error alike.
TEST(QvlOutput, NamesFromAnArchiveReachTheTerminalEscaped) {
  QvlSession session;
  const std::u16string evil = u"t\x1b]0;pwned\x07\r\x08\x9b";
  const Coding compressed{true, false, u""};
  ArchiveBuilder archive;
  archive.Header().File(kFavorites, evil + u".txt", "x");
  archive.FileHead(kFavorites, evil + u".url", compressed).RawBlock("\x01garbage that is no LZMA").EndMarker();
  archive.WriteTo(session.Scratch("evil.qvl"));

  const std::string escaped = "t\\033]0;pwned\\a\\r\\b\\302\\233";
  const std::string profile = " --profile=" + session.ScratchText("p");
  for (const std::string& command : std::vector<std::string>{"list evil.qvl", "verify evil.qvl", "extract evil.qvl --to x",
                                    "export-bookmarks evil.qvl -o b.html", "restore evil.qvl" + profile,
                                    "restore --dry-run evil.qvl" + profile}) {
    SCOPED_TRACE(command);
    const QvlResult result = session.Run(command);
    const std::string shown = result.out + result.err;
    EXPECT_NE(shown.find(escaped), std::string::npos) << shown;
    for (const char control : {'\x1b', '\x07', '\r', '\x08'}) {
      EXPECT_EQ(shown.find(control), std::string::npos) << static_cast<int>(control) << "\n" << shown;
    }
    EXPECT_EQ(shown.find("\xC2\x9B"), std::string::npos) << shown;
  }
}

}  // namespace
}  // namespace qv::test
