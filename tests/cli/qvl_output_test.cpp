// Where qvl's output goes, as a user meets it: an output path that is a link, a
// pipe or a folder; a standard output that cannot take what is written; names from
// an archive on a terminal; and what a killed export leaves for the next one.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>

#include "tests/cli/qvl_session.h"
#include "tests/support/archive_builder.h"
#include "tests/support/qvl_process.h"
#include "tests/support/temp_dir.h"

namespace qv::test {
namespace {

namespace fs = std::filesystem;

constexpr char16_t kFavorites[] = u"%USERPROFILE%\\Favorites";
const std::string kShortcut = "[InternetShortcut]\r\nURL=http://one.example/\r\n";

bool IsFifo(const fs::path& path) { return fs::symlink_status(path).type() == fs::file_type::fifo; }

// backup ARCHIVE and export-bookmarks -o FILE: a link is followed and the file it
// leads to replaced in its own folder; a pipe or folder is refused before any work
// (a password is not even asked for) and stays what it was.
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
      {"export-bookmarks a.qvl -o FILE", "<!DOCTYPE NETSCAPE-Bookmark-file-1>"},
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

  // Standard output by any name is written as a stream: nothing renamed over it.
  // Its names below /proc, which no rename can replace, so that a qvl that fails
  // here cannot replace the system's /dev/stdout.
  for (const char* output : {"-", "/dev/fd/1", "/proc/self/fd/1"}) {
    SCOPED_TRACE(output);
    const QvlResult streamed = session.Run(std::string("export-bookmarks a.qvl -o ") + output);
    EXPECT_EQ(streamed.exitCode, 0) << streamed.err;
    EXPECT_EQ(streamed.out.rfind("<!DOCTYPE NETSCAPE-Bookmark-file-1>", 0), 0u);
    EXPECT_NE(streamed.err.find("to standard output."), std::string::npos) << streamed.err;
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
  fs::create_directories(session.Scratch("restored/Favorites"));
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
  fs::create_directory(session.Scratch("p"));
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

// An export killed while it writes leaves its temporary file; the next export
// into the same folder removes it, as the next backup does for a backup's.
TEST(QvlOutput, AKilledExportLeavesNothingTheNextOneKeeps) {
  QvlSession session;
  ArchiveBuilder archive;
  archive.Header();
  for (int i = 0; i < 3000; ++i) archive.File(kFavorites, u"site" + std::u16string(1, u'a' + i % 26) + u".url", kShortcut);
  archive.WriteTo(session.Scratch("a.qvl"));
  const fs::path out = session.Scratch("out") / "bookmarks.html";
  fs::create_directory(out.parent_path());
  WriteFileBytes(out, "an earlier file");
  const std::vector<std::string> arguments = {"export-bookmarks", session.ScratchText("a.qvl"), "-o", out.string()};

  const QvlExit killed = RunQvlKilledAt(arguments, "write:2");
  ASSERT_TRUE(killed.bKilled && killed.nSignal == SIGKILL);
  EXPECT_EQ(ReadFileBytes(out), "an earlier file");
  ASSERT_TRUE(HasTempFile(out.parent_path())) << "the kill fell where nothing was left";

  EXPECT_EQ(WaitForQvl(StartQvl(arguments)).nExitCode, 0);
  EXPECT_FALSE(HasTempFile(out.parent_path()));
  EXPECT_EQ(ReadFileBytes(out).rfind("<!DOCTYPE NETSCAPE-Bookmark-file-1>", 0), 0u);
}

}  // namespace
}  // namespace qv::test
