// Who may read what qvl writes, through the built binary: a file it replaces keeps
// the mode (and, for root, the owner) it had, and a file it makes from a protected
// archive is its owner's alone.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/cli/qvl_session.h"

namespace qv::test {
namespace {

constexpr unsigned kNobody = 65534;

std::string WithArchive(std::string command, const std::string& archive) {
  if (const std::size_t at = command.find("ARCHIVE"); at != std::string::npos) command.replace(at, 7, archive);
  return command;
}

TEST(QvlFileModes, ReplacedFilesKeepTheirModeAndNewOnesFromAProtectedArchiveArePrivate) {
  const mode_t mask = ::umask(022);
  QvlSession session;
  session.Profile().AddFavorite("a.url", "[InternetShortcut]\r\nURL=http://example.org/\r\n");
  session.Profile().SetValue(kIeKey, u"Start Page", kRegSz, Utf16Bytes(u"about:blank"));
  ASSERT_EQ(session.RunOnProfile("backup plain.qvl").exitCode, 0);
  ASSERT_EQ(session.RunOnProfile("backup protected.qvl", "QVL_PASSWORD=secret-one").exitCode, 0);
  const bool root = ::geteuid() == 0;
  struct Case {
    const char* what;
    std::string command;  // ARCHIVE stands for the archive read
    std::filesystem::path file;
    bool onProfile;
    unsigned newMode = 0644;  // made from an archive without a password
  };
  const std::vector<Case> cases = {
      {"extract: a favorite", "extract ARCHIVE --to out", session.Scratch("out/Favorites/a.url"), false},
      {"extract: settings.reg", "extract ARCHIVE --to out", session.Scratch("out/settings.reg"), false},
      {"export-bookmarks -o", "export-bookmarks ARCHIVE -o bookmarks.html", session.Scratch("bookmarks.html"), false},
      {"restore: a favorite", "restore ARCHIVE", session.Profile().FavoritesDir() / "a.url", true},
      {"restore: NTUSER.DAT", "restore ARCHIVE", session.Profile().HivePath(), true, 0600},
      {"backup: the archive", "backup made.qvl", session.Scratch("made.qvl"), true},
  };
  for (const bool isProtected : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (isProtected ? ", protected" : ", not protected"));
      const std::string command = WithArchive(c.command, isProtected ? "protected.qvl" : "plain.qvl");
      const std::string environment = isProtected ? "QVL_PASSWORD=secret-one" : "";
      const auto run = [&] {
        const QvlResult result =
            c.onProfile ? session.RunOnProfile(command, environment) : session.Run(command, environment);
        EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
      };
      std::filesystem::remove(c.file);
      run();
      struct stat info {};
      ASSERT_EQ(::stat(c.file.c_str(), &info), 0);
      EXPECT_EQ(info.st_mode & 0777, isProtected ? 0600u : c.newMode) << "a new file";

      ASSERT_EQ(::chmod(c.file.c_str(), 0640), 0);
      if (root) {
        ASSERT_EQ(::chown(c.file.c_str(), kNobody, kNobody), 0);
      }
      run();
      ASSERT_EQ(::stat(c.file.c_str(), &info), 0);
      EXPECT_EQ(info.st_mode & 0777, 0640u) << "a replaced file";
      if (root) {
        EXPECT_EQ(info.st_uid, kNobody) << "a replaced file";
      }
    }
  }
  ::umask(mask);
}

}  // namespace
}  // namespace qv::test
