// Where qvl's output goes, as a user meets it: an output path that is a link, a
// pipe or a folder.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "tests/cli/qvl_session.h"
#include "tests/support/temp_dir.h"

namespace qv::test {
namespace {

namespace fs = std::filesystem;

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

}  // namespace
}  // namespace qv::test
