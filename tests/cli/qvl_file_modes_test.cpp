// Who may read what qvl writes: a file it replaces keeps the mode (and, for root,
// the owner) it had, and a file it makes from a protected archive is its owner's.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/cli/qvl_session.h"

namespace qv::test {
namespace {

TEST(QvlFileModes, ReplacedFilesKeepTheirModeAndNewOnesFromAProtectedArchiveArePrivate) {
  constexpr unsigned kNobody = 65534;
  const bool root = ::geteuid() == 0;
  const mode_t mask = ::umask(022);
  QvlSession session;
  session.Profile().AddFavorite("a.url", "[InternetShortcut]\r\nURL=http://example.org/\r\n");
  session.Profile().SetValue(kIeKey, u"Start Page", kRegSz, Utf16Bytes(u"about:blank"));
  ASSERT_EQ(session.RunOnProfile("backup plain.qvl").exitCode, 0);
  ASSERT_EQ(session.RunOnProfile("backup protected.qvl", "QVL_PASSWORD=secret-one").exitCode, 0);
  struct Case {
    std::string command;  // followed by the archive, unless it is a backup
    std::filesystem::path file;
    bool onProfile;
    unsigned newMode = 0644;  // made from an archive without a password
  };
  const std::vector<Case> cases = {
      {"extract --to out", session.Scratch("out/Favorites/a.url"), false},
      {"extract --to out", session.Scratch("out/settings.reg"), false},
      {"export-bookmarks -o bookmarks.html", session.Scratch("bookmarks.html"), false},
      {"restore", session.Profile().FavoritesDir() / "a.url", true},
      {"restore", session.Profile().HivePath(), true, 0600},
      {"backup made.qvl", session.Scratch("made.qvl"), true},
  };
  for (const bool isProtected : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.file.string() + (isProtected ? ", protected" : ""));
      const std::string command =
          c.command + (c.command.starts_with("backup") ? "" : isProtected ? " protected.qvl" : " plain.qvl");
      const std::string environment = isProtected ? "QVL_PASSWORD=secret-one" : "";
      struct stat info {};
      for (const bool replacing : {false, true}) {
        if (replacing) {
          ASSERT_EQ(::chmod(c.file.c_str(), 0640), 0);
          ASSERT_TRUE(!root || ::chown(c.file.c_str(), kNobody, kNobody) == 0);
        } else {
          std::filesystem::remove(c.file);
        }
        const QvlResult result =
            c.onProfile ? session.RunOnProfile(command, environment) : session.Run(command, environment);
        EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
        ASSERT_EQ(::stat(c.file.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, replacing ? 0640u : isProtected ? 0600u : c.newMode) << replacing;
        EXPECT_EQ(info.st_uid, replacing && root ? kNobody : ::geteuid()) << replacing;
      }
    }
  }
  ::umask(mask);
}

}  // namespace
}  // namespace qv::test
