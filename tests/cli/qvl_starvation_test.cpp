// qvl on a file system that runs out of space or inodes, or is read-only, and on
// hostile archives and large trees: a clear message and a failing exit code,
// nothing earlier damaged, and memory within bounds. The file-system cases mount
// a small tmpfs and skip where that is not allowed.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/text/text.h"
#include "processors/compressed_block.h"
#include "tests/support/archive_builder.h"
#include "tests/support/restore_fixture.h"

extern char** environ;

namespace qv::test {
namespace {

constexpr char16_t kFavorites[] = u"%USERPROFILE%\\Favorites";

class SmallFileSystem {
 public:
  SmallFileSystem(const std::filesystem::path& where, const std::string& options) : m_where(where) {
    std::filesystem::create_directories(where);
    m_bMounted = ::mount("tmpfs", where.c_str(), "tmpfs", 0, options.c_str()) == 0;
  }
  ~SmallFileSystem() {
    if (m_bMounted) ::umount2(m_where.c_str(), MNT_DETACH);
  }
  bool Mounted() const { return m_bMounted; }
  bool MakeReadOnly() {
    return ::mount("tmpfs", m_where.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
  }

 private:
  std::filesystem::path m_where;
  bool m_bMounted = false;
};

struct QvlResult {
  int nExitCode = -1;
  std::string strOutput;
  long nPeakKiB = 0;  // of the qvl process
};

// qvl is started by a clone that shares this process's memory until it execs, and
// the kernel keeps the peak of the memory an exec leaves as the new program's
// own: without this, qvl would be charged with whatever this test once built.
void ForgetOurPeakMemory() {
  std::ofstream clearRefs("/proc/self/clear_refs");
  clearRefs << "5";
}

// Runs qvl through the shell (arguments quoted by the caller), with its output and
// its own peak memory.
QvlResult Qvl(const std::string& arguments) {
  ForgetOurPeakMemory();
  const std::string command = std::string("exec '") + QUORVEL_QVL_BINARY + "' " + arguments + " 2>&1";
  int channel[2];
  if (::pipe(channel) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, channel[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, channel[0]);
  const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
  pid_t child = -1;
  const int spawned = posix_spawn(&child, "/bin/sh", &actions, nullptr, const_cast<char* const*>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(channel[1]);
  QvlResult result;
  char buffer[4096];
  ssize_t got = 0;
  while (spawned == 0 && (got = ::read(channel[0], buffer, sizeof buffer)) > 0) {
    result.strOutput.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(channel[0]);
  if (spawned != 0) return result;
  int status = 0;
  rusage usage{};
  if (::wait4(child, &status, 0, &usage) == child) {
    result.nExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.nPeakKiB = usage.ru_maxrss;
  }
  return result;
}

TEST(QvlStarvation, AFullOrReadOnlyDiskFailsClearlyAndDamagesNothing) {
  ProfileFixture source;
  for (int i = 0; i < 40; ++i) source.AddFavorite(std::string("f") + std::to_string(i) + ".bin", Bytes(60000, i));
  const std::string sourceProfile = std::string("--profile=") + source.ProfileDir().string();

  {  // the archive's disk fills up
    SmallFileSystem disk(source.Scratch("small"), "size=1m");
    if (!disk.Mounted()) GTEST_SKIP() << "cannot mount a tmpfs here";
    const std::filesystem::path archive = source.Scratch("small") / "out.qvl";
    WriteFileBytes(archive, "an earlier archive");
    const QvlResult full = Qvl(std::string("backup '") + archive.string() + "' " + sourceProfile);
    EXPECT_EQ(full.nExitCode, 1) << full.strOutput;
    EXPECT_NE(full.strOutput.find("No space left on device"), std::string::npos) << full.strOutput;
    EXPECT_EQ(ReadFileBytes(archive), "an earlier archive");
  }
  ASSERT_EQ(Qvl(std::string("backup '") + source.Scratch("whole.qvl").string() + "' " + sourceProfile).nExitCode, 0);

  struct Case {
    const char* what;
    const char* options;
    bool readOnly;
    const char* message;
  };
  const Case cases[] = {
      {"out of space", "size=1m", false, "No space left on device"},
      {"out of inodes", "size=64m,nr_inodes=24", false, "No space left on device"},
      {"read-only", "size=64m", true, "Read-only file system"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::filesystem::path root = source.Scratch(std::string("profile-") + c.what);
    SmallFileSystem disk(root, c.options);
    ASSERT_TRUE(disk.Mounted());
    std::filesystem::create_directories(root / "Favorites");
    WriteFileBytes(root / "Favorites" / "f3.bin", "the earlier content");
    if (c.readOnly) {
      ASSERT_TRUE(disk.MakeReadOnly());
    }
    const QvlResult restored = Qvl(std::string("restore '") + source.Scratch("whole.qvl").string() +
                                   "' --profile='" + root.string() + "'");
    EXPECT_NE(restored.nExitCode, 0) << restored.strOutput;
    EXPECT_NE(restored.strOutput.find(c.message), std::string::npos) << restored.strOutput;
    const std::string kept = ReadFileBytes(root / "Favorites" / "f3.bin");
    EXPECT_TRUE(kept == "the earlier content" || kept == Bytes(60000, 3)) << "old or new, never cut";
  }
}

TEST(QvlStarvation, HostileArchivesAndLargeTreesStayWithinMemoryBounds) {
#if defined(__SANITIZE_ADDRESS__)
  if (true) {
    GTEST_SKIP() << "the sanitizers' shadow memory makes the figures meaningless";
  }
#endif
  RestoreFixture fixture;
  const std::string profile = std::string("--profile=") + fixture.Profile().ProfileDir().string();
  const long base = Qvl("status " + profile).nPeakKiB;

  // A million empty blocks in one record, and ten thousand blocks each telling the
  // decoder to make 16 MiB.
  ArchiveBuilder empties;
  empties.Header().FileHead(kFavorites, u"empty.url");
  for (int i = 0; i < 1000000; ++i) empties.BlockHead(0, 0);
  empties.EndMarker();
  empties.WriteTo(fixture.Profile().Scratch("empties.qvl"));
  const Coding compressed{true, false, u""};
  std::string bomb = EncodePayload(std::string(kBlockSize, '\0'), compressed);
  for (int i = 0; i < 8; ++i) bomb[kPlainSizeOffset + i] = static_cast<char>(i == 3 ? 1 : 0);  // 16 MiB
  ArchiveBuilder bombs;
  bombs.Header().FileHead(kFavorites, u"bomb.url", compressed);
  for (int i = 0; i < 10000; ++i) bombs.RawBlock(bomb);
  bombs.EndMarker();
  bombs.WriteTo(fixture.Profile().Scratch("bombs.qvl"));

  // Shortcuts of a megabyte of "&" each, a few kilobytes compressed: each is five
  // megabytes of HTML.
  ArchiveBuilder shortcut;
  shortcut.File(kFavorites, u"amp.url", "[InternetShortcut]\r\nURL=" + std::string(1024 * 1024 - 24, '&'), compressed);
  ArchiveBuilder shortcuts;
  shortcuts.Header();
  for (int i = 0; i < 16; ++i) shortcuts.Raw(shortcut.Bytes());
  shortcuts.WriteTo(fixture.Profile().Scratch("shortcuts.qvl"));

  // Ten thousand favorites, each with the longest names a record holds, all
  // skipped: every one of them named in a summary, with its reason.
  ArchiveBuilder longNames;
  longNames.Header();
  const std::u16string outside = u"%USERPROFILE%\\..\\" + std::u16string(242, u'\u20AC');
  for (int i = 0; i < 10000; ++i) {
    longNames.File(outside, FromUtf8(std::to_string(10000 + i)) + std::u16string(250, u'\u20AC') + u".url", "x");
  }
  longNames.WriteTo(fixture.Profile().Scratch("long-names.qvl"));

  // A tree deeper than any stored path can be, and many favorites.
  std::filesystem::path deep = fixture.Profile().FavoritesDir();
  for (int level = 0; level < 200; ++level) deep /= "d";
  std::filesystem::create_directories(deep);
  for (int i = 0; i < 20000; ++i) {
    fixture.Profile().AddFavorite(std::string("Many/") + std::to_string(i % 100) + "/" + std::to_string(i) + ".url",
                                  "x");
  }

  constexpr long kBoundKiB = 64 * 1024;
  const auto quoted = [&](const char* name) { return std::string(" '") + fixture.Profile().Scratch(name).string() + "' "; };
  for (const std::string& run : {std::string("restore") + quoted("empties.qvl") + "--dry-run " + profile,
                                 std::string("restore") + quoted("bombs.qvl") + profile,
                                 std::string("backup") + quoted("tree.qvl") + profile,
                                 std::string("export-bookmarks") + quoted("shortcuts.qvl") + ">/dev/null",
                                 std::string("restore --json") + quoted("long-names.qvl") + profile + " >/dev/null",
                                 std::string("restore --dry-run") + quoted("long-names.qvl") + profile + " >/dev/null",
                                 std::string("extract --json") + quoted("long-names.qvl") + "--to " +
                                     fixture.Profile().Scratch("out").string() + " >/dev/null"}) {
    SCOPED_TRACE(run);
    const QvlResult result = Qvl(run);
    EXPECT_NE(result.nExitCode, 1) << result.strOutput;
    EXPECT_NE(result.nExitCode, 2) << result.strOutput;
    EXPECT_LT(result.nPeakKiB - base, kBoundKiB);
  }
}

// A restore's summary names every record it could not write, a dry run every
// record, each with the longest names a record holds: the lines of many thousands
// wait on the disk, not in memory, and so do not the paths a dry run remembers.
TEST(QvlStarvation, SummariesOfAnyLengthStayWithinMemoryBounds) {
#if defined(__SANITIZE_ADDRESS__)
  if (true) {
    GTEST_SKIP() << "the sanitizers' shadow memory makes the figures meaningless";
  }
#endif
  RestoreFixture fixture;
  ProfileFixture& profile = fixture.Profile();
  const std::string profileOption = std::string("--profile=") + profile.ProfileDir().string();
  const long base = Qvl("status " + profileOption).nPeakKiB;

  {  // built and let go, so that what the archives took is not in the figures
    // Each skipped with a reason that quotes its path: some 3.5 KB of summary each.
    ArchiveBuilder skipped;
    skipped.Header();
    const std::u16string outside = u"%USERPROFILE%\\..\\" + std::u16string(242, u'\u20AC');
    for (int i = 0; i < 24000; ++i) {
      skipped.File(outside, FromUtf8(std::to_string(10000 + i)) + std::u16string(250, u'\u20AC') + u".url", "x");
    }
    skipped.WriteTo(profile.Scratch("skipped.qvl"));
    // Each restorable, in a folder of its own, with the longest path that fits.
    ArchiveBuilder restorable;
    restorable.Header();
    const std::size_t room = kMaxPathUnits - profile.WindowsPath(profile.FavoritesDir()).size() - 1 - 6;
    for (int i = 0; i < 32000; ++i) {
      restorable.File(std::u16string(kFavorites) + u"\\" + FromUtf8(std::to_string(100000 + i)) +
                          std::u16string(room - 6, u'd'),
                      u"a.url", "x");
    }
    restorable.WriteTo(profile.Scratch("restorable.qvl"));
  }

  constexpr long kBoundKiB = 64 * 1024;
  const auto quoted = [&](const char* name) { return std::string(" '") + profile.Scratch(name).string() + "' "; };
  for (const std::string& run :
       {std::string("restore") + quoted("skipped.qvl") + profileOption + " >/dev/null",
        std::string("restore --dry-run") + quoted("skipped.qvl") + profileOption + " >/dev/null",
        std::string("restore --json") + quoted("skipped.qvl") + profileOption + " >/dev/null",
        std::string("extract --json") + quoted("skipped.qvl") + "--to " + profile.Scratch("out").string() + " >/dev/null",
        std::string("restore --dry-run") + quoted("restorable.qvl") + profileOption + " >/dev/null"}) {
    SCOPED_TRACE(run);
    const QvlResult result = Qvl(run);
    EXPECT_TRUE(result.nExitCode == 0 || result.nExitCode == 3) << result.strOutput;
    EXPECT_LT(result.nPeakKiB - base, kBoundKiB);
  }
}

}  // namespace
}  // namespace qv::test
