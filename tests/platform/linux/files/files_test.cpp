// What only the Linux platform's files do: pipes, file modes, folders it cannot
// sync, locks seen by another platform instance, links and devices as write
// targets, /proc/self/exe.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tests/platform/contract/linux_harness.h"
#include "tests/support/hive_test_tools.h"

namespace qv {
namespace {

using test::LinuxHarness;

TEST(Files, OnlyRegularFilesOpen) {
  LinuxHarness fixture;
  Platform& os = fixture.os();
  // A pipe among the favorites must not hang the backup in open().
  ASSERT_EQ(mkfifo(fixture.Native("pipe").c_str(), 0600), 0);
  EXPECT_EQ(os.CreateFileW(fixture.Win("pipe"), kGenericRead, kFileShareRead, kOpenAlways),
            kInvalidHandle);
  EXPECT_NE(os.LastErrorText().find("not a regular file"), std::string::npos);
}

TEST(Files, TemporaryFileHasTheModeOfAPlainCreate) {
  LinuxHarness fixture;
  Platform& os = fixture.os();
  std::filesystem::create_directories(fixture.Native("out"));
  std::u16string temp;
  ASSERT_TRUE(os.GetTempFileNameW(fixture.Win("out"), &temp, false));
  const std::string nativeTemp = os.ToNativePath(temp);
  EXPECT_EQ(std::filesystem::path(nativeTemp).parent_path(), fixture.Native("out"));
  // It becomes an archive or a restored favorite: the mode of a plain create.
  const mode_t mask = umask(022);
  umask(mask);
  struct stat info {};
  ASSERT_EQ(stat(nativeTemp.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
}

// The folder for temporary files is the one the options (or TMPDIR) name, unless
// it lies in Favorites, where a backup would store what a job set aside.
TEST(Files, TemporaryFilesBesideNoTargetGoWhereTheOptionsSay) {
  const test::TempDir home;
  const std::filesystem::path profile = home.path() / "profile";
  struct Case {
    std::filesystem::path asked;
    std::string expected;
  };
  const Case cases[] = {
      {home.path() / "tmp", (home.path() / "tmp").string()},
      {profile / "Favorites" / "tmp", "/tmp"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.asked);
    LinuxPlatformOptions options;
    options.strProfileDir = profile.string();
    options.strTempFolder = c.asked.string();
    const std::unique_ptr<Platform> os = MakeLinuxPlatform(options);
    std::u16string folder;
    ASSERT_TRUE(os->GetTempPathW(&folder));
    EXPECT_EQ(os->ToNativePath(folder), c.expected);
  }
}

// A replaced file's rights pass to the file that replaces it (tests/cli/
// qvl_file_modes_test.cpp), but never to a file that somebody who may write the
// folder swapped in for our temporary file: nothing is replaced then.
TEST(Files, ReplacingHandsNoRightsToAFileSwappedInForOurs) {
  LinuxHarness fixture;
  Platform& os = fixture.os();
  test::WriteFileBytes(fixture.Native("out/target"), "old");
  ASSERT_EQ(::chmod(fixture.Native("out/target").c_str(), 0644), 0);
  test::WriteFileBytes(fixture.Native("elsewhere"), "theirs");
  ASSERT_EQ(::chmod(fixture.Native("elsewhere").c_str(), 0600), 0);
  std::u16string temp;
  ASSERT_TRUE(os.GetTempFileNameW(fixture.Win("out"), &temp, false));
  std::filesystem::remove(os.ToNativePath(temp));
  std::filesystem::create_symlink(fixture.Native("elsewhere"), os.ToNativePath(temp));
  EXPECT_FALSE(os.MoveFileExW(temp, fixture.Win("out/target")));
  EXPECT_EQ(std::filesystem::status(fixture.Native("elsewhere")).permissions(), std::filesystem::perms::owner_read |
                                                                                  std::filesystem::perms::owner_write);
  EXPECT_EQ(test::ReadFileBytes(fixture.Native("out/target")), "old");
}

// A folder we may rename in but not open cannot be synced: the rename happened,
// yet it may not survive a crash, and the caller must hear so.
TEST(Files, RenameWhoseFolderCannotBeSyncedIsReported) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  constexpr unsigned kNobody = 65534;
  LinuxHarness fixture;
  Platform& os = fixture.os();
  test::WriteFileBytes(fixture.Native("out/target"), "old");
  test::WriteFileBytes(fixture.Native("out/new"), "new");
  ASSERT_EQ(::chmod(fixture.Native("").c_str(), 0711), 0);
  ASSERT_EQ(::chmod(fixture.Native("out").c_str(), 0733), 0);  // others: write and search only
  const std::string result = test::RunAsUnprivileged(kNobody, [&] {
    return os.MoveFileExW(fixture.Win("out/new"), fixture.Win("out/target")) ? std::string("ok")
                                                                             : os.LastErrorText();
  });
  ASSERT_EQ(::chmod(fixture.Native("out").c_str(), 0755), 0);
  EXPECT_NE(result.find("is in place, but the rename may not survive a crash"), std::string::npos)
      << result;
  EXPECT_EQ(test::ReadFileBytes(fixture.Native("out/target")), "new");
}

// The share locks are the kernel's, not one platform object's: another Quorvel
// process sees them as this one does.
TEST(Files, ShareLocksHoldAcrossPlatformInstances) {
  LinuxHarness fixture;
  test::WriteFileBytes(fixture.Native("archive.qvl"), "0123456789");
  const FileHandle writer = fixture.os().CreateFileW(fixture.Win("archive.qvl"), kGenericWrite,
                                                     kFileShareRead, kOpenExisting);
  ASSERT_NE(writer, kInvalidHandle);
  const auto second = MakeLinuxPlatform({fixture.ProfileDir().string(), ""});
  EXPECT_EQ(second->CreateFileW(fixture.Win("archive.qvl"), kGenericRead, kFileShareRead,
                                kOpenExisting),
            kInvalidHandle);
  EXPECT_TRUE(fixture.os().CloseHandle(writer));
}

// A replace by rename must land on the file a link leads to, and never on what
// no rename may replace: each case names the path, what is there, and where the
// rename would go.
TEST(Files, WriteTargetsFollowLinksAndTellFilesFromDevices) {
  LinuxHarness fixture;
  Platform& os = fixture.os();
  namespace fs = std::filesystem;
  test::WriteFileBytes(fixture.Native("plain.html"), "old");
  fs::create_directory(fixture.Native("sub"));
  fs::create_symlink(fixture.Native("plain.html"), fixture.Native("link.html"));
  fs::create_symlink("sub/../link.html", fixture.Native("chain.html"));
  fs::create_symlink("sub/new.html", fixture.Native("dangling.html"));
  fs::create_symlink("loop.html", fixture.Native("loop.html"));
  ASSERT_EQ(mkfifo(fixture.Native("fifo").c_str(), 0600), 0);
  fs::create_symlink(fixture.Native("fifo"), fixture.Native("to-fifo"));
  const fs::path root = fs::canonical(fixture.Native(""));
  struct Case {
    std::string strPath;
    WriteTargetKind kind;
    std::string strLeadsTo;  // below the temporary folder, links followed; empty: the path as given
  } const cases[] = {
      {"absent.html", WriteTargetKind::kNothing, "absent.html"},
      {"plain.html", WriteTargetKind::kFile, "plain.html"},
      {"link.html", WriteTargetKind::kFile, "plain.html"},
      {"chain.html", WriteTargetKind::kFile, "plain.html"},
      {"dangling.html", WriteTargetKind::kNothing, "sub/new.html"},
      {"sub", WriteTargetKind::kFolder, ""},
      {"fifo", WriteTargetKind::kDevice, ""},
      {"to-fifo", WriteTargetKind::kDevice, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.strPath);
    WriteTarget target;
    ASSERT_TRUE(os.GetWriteTarget(fixture.Win(c.strPath), &target)) << os.LastErrorText();
    EXPECT_EQ(target.kind, c.kind);
    EXPECT_FALSE(target.bStandardOutput);
    EXPECT_EQ(target.strPath, c.strLeadsTo.empty() ? fixture.Win(c.strPath)
                                                   : LinuxHarness::Windows(root / c.strLeadsTo));
  }
  EXPECT_TRUE(fs::is_symlink(fixture.Native("dangling.html")));
  EXPECT_FALSE(fs::exists(fixture.Native("absent.html")));

  WriteTarget target;
  ASSERT_TRUE(os.GetWriteTarget(u"Z:\\dev\\null", &target));
  EXPECT_EQ(target.kind, WriteTargetKind::kDevice);
  // Standard output by any of its names, whatever this test's output is.
  for (const char16_t* name : {u"Z:\\dev\\stdout", u"Z:\\proc\\self\\fd\\1"}) {
    ASSERT_TRUE(os.GetWriteTarget(name, &target)) << os.LastErrorText();
    EXPECT_TRUE(target.bStandardOutput) << ToUtf8(name);
  }
  EXPECT_FALSE(os.GetWriteTarget(fixture.Win("loop.html"), &target));
  EXPECT_FALSE(os.GetWriteTarget(fixture.Win("plain.html/x"), &target));
}

TEST(Files, ModuleFileNameIsThisProgramInWindowsForm) {
  LinuxHarness fixture;
  const std::u16string self = fixture.os().GetModuleFileNameW();
  EXPECT_EQ(self, LinuxHarness::Windows(std::filesystem::read_symlink("/proc/self/exe")));
}

}  // namespace
}  // namespace qv
