#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tests/platform/platform_on_temp_profile.h"
#include "tests/support/hive_test_tools.h"

namespace qv {
namespace {

using test::PlatformOnTempProfile;

std::string ReadAll(Platform& os, FileHandle file) {
  std::string content;
  char buffer[7];
  std::uint32_t got = 0;
  while (os.ReadFile(file, buffer, sizeof buffer, &got) && got > 0) content.append(buffer, got);
  return content;
}

bool WriteText(Platform& os, FileHandle file, const std::string& text) {
  std::uint32_t written = 0;
  return os.WriteFile(file, text.data(), static_cast<std::uint32_t>(text.size()), &written) &&
         written == text.size();
}

TEST(Files, DispositionsOpenCreateAndTruncateAsWindowsDoes) {
  PlatformOnTempProfile fixture;
  Platform& os = fixture.os();
  const std::u16string path = fixture.Win("a.bin");

  EXPECT_EQ(os.CreateFileW(path, kGenericRead, kFileShareRead, kOpenExisting), kInvalidHandle);
  EXPECT_NE(os.LastErrorText().find(fixture.Native("a.bin").string()), std::string::npos);
  EXPECT_FALSE(os.PathFileExistsW(path));

  FileHandle file = os.CreateFileW(path, kGenericRead, kFileShareRead, kOpenAlways);
  ASSERT_NE(file, kInvalidHandle);
  std::uint64_t size = 99;
  EXPECT_TRUE(os.GetFileSize(file, &size));
  EXPECT_EQ(size, 0u);
  EXPECT_TRUE(os.CloseHandle(file));
  EXPECT_TRUE(os.PathFileExistsW(path));

  test::WriteFileBytes(fixture.Native("a.bin"), "kept");
  file = os.CreateFileW(path, kGenericRead, kFileShareRead, kOpenAlways);
  EXPECT_EQ(ReadAll(os, file), "kept");
  EXPECT_TRUE(os.CloseHandle(file));

  file = os.CreateFileW(path, kGenericWrite, kFileShareNone, kCreateAlways);
  ASSERT_NE(file, kInvalidHandle);
  EXPECT_TRUE(WriteText(os, file, "new"));
  EXPECT_TRUE(os.FlushFileBuffers(file));
  EXPECT_TRUE(os.CloseHandle(file));
  EXPECT_EQ(test::ReadFileBytes(fixture.Native("a.bin")), "new");

  EXPECT_FALSE(os.CloseHandle(file));  // already closed
  EXPECT_EQ(os.CreateFileW(path, kGenericRead, kFileShareRead, 1 /* create-new */),
            kInvalidHandle);
}

TEST(Files, ReadingAtTheEndSucceedsWithNothingAndSeeksMoveAsAsked) {
  PlatformOnTempProfile fixture;
  Platform& os = fixture.os();
  test::WriteFileBytes(fixture.Native("h.bin"), "HEADER-body");
  const std::u16string path = fixture.Win("h.bin");

  FileHandle file = os.CreateFileW(path, kGenericWrite, kFileShareRead, kOpenExisting);
  std::uint64_t position = 0;
  ASSERT_TRUE(os.SetFilePointer(file, 0, kFileEnd, &position));
  EXPECT_EQ(position, 11u);
  EXPECT_TRUE(WriteText(os, file, "+more"));
  std::uint32_t got = 1;
  char byte;
  EXPECT_FALSE(os.ReadFile(file, &byte, 1, &got));  // opened for writing only
  EXPECT_TRUE(os.CloseHandle(file));
  EXPECT_EQ(test::ReadFileBytes(fixture.Native("h.bin")), "HEADER-body+more");

  file = os.CreateFileW(path, kGenericRead, kFileShareNone, kOpenExisting);
  ASSERT_TRUE(os.SetFilePointer(file, 7, kFileBegin, nullptr));
  ASSERT_TRUE(os.SetFilePointer(file, -2, kFileCurrent, &position));
  EXPECT_EQ(position, 5u);
  EXPECT_EQ(ReadAll(os, file), "R-body+more");
  got = 1;
  EXPECT_TRUE(os.ReadFile(file, &byte, 1, &got));
  EXPECT_EQ(got, 0u);
  EXPECT_FALSE(os.SetFilePointer(file, -100, kFileCurrent, nullptr));
  EXPECT_TRUE(os.CloseHandle(file));
}

TEST(Files, SizesBeyondFourGigabytesAreWhole) {
  PlatformOnTempProfile fixture;
  const std::filesystem::path native = fixture.Native("big.bin");
  test::WriteFileBytes(native, "");
  constexpr std::uint64_t kSize = (std::uint64_t{1} << 32) + 5;
  ASSERT_EQ(truncate(native.c_str(), static_cast<off_t>(kSize)), 0);  // sparse

  Platform& os = fixture.os();
  const FileHandle file = os.CreateFileW(fixture.Win("big.bin"), kGenericRead, 0, kOpenExisting);
  std::uint64_t size = 0;
  ASSERT_TRUE(os.GetFileSize(file, &size));
  EXPECT_EQ(size, kSize);
  std::uint64_t position = 0;
  ASSERT_TRUE(os.SetFilePointer(file, -1, kFileEnd, &position));
  EXPECT_EQ(position, kSize - 1);
  EXPECT_TRUE(os.CloseHandle(file));
}

std::string FileName(int i) {
  std::string name = "f";  // appended: g++ 12 -O3 warns falsely on "lit" + std::string
  return name + std::to_string(i);
}

// Large files are flushed by a background thread while they are written; closing
// or flushing must wait for it, and a platform torn down with such a file still
// open must neither hang nor lose the bytes.
TEST(Files, FilesFlushedInTheBackgroundCloseWholeInAnyOrder) {
  PlatformOnTempProfile fixture;
  const std::string piece(1u << 20, 'x');
  {
    Platform& os = fixture.os();
    FileHandle files[3];
    for (int i = 0; i < 3; ++i) {
      files[i] = os.CreateFileW(fixture.Win(FileName(i)), kGenericWrite,
                                kFileShareNone, kCreateAlways);
      ASSERT_NE(files[i], kInvalidHandle);
    }
    for (int round = 0; round < 9; ++round) {
      for (const FileHandle file : files) ASSERT_TRUE(WriteText(os, file, piece));
    }
    EXPECT_TRUE(os.CloseHandle(files[0]));  // a flush may still be queued for it
    EXPECT_TRUE(os.FlushFileBuffers(files[1]));
    EXPECT_TRUE(os.CloseHandle(files[1]));
    fixture.ResetPlatform();  // f2 is still open
  }
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(std::filesystem::file_size(fixture.Native(FileName(i))), 9u << 20);
  }
}

TEST(Files, OnlyRegularFilesOpen) {
  PlatformOnTempProfile fixture;
  Platform& os = fixture.os();
  std::filesystem::create_directories(fixture.Native("dir"));
  for (const std::uint32_t access : {kGenericRead, kGenericWrite}) {
    EXPECT_EQ(os.CreateFileW(fixture.Win("dir"), access, kFileShareRead, kOpenAlways),
              kInvalidHandle);
  }
  EXPECT_NE(os.LastErrorText().find("folder"), std::string::npos);

  // A pipe among the favorites must not hang the backup in open().
  ASSERT_EQ(mkfifo(fixture.Native("pipe").c_str(), 0600), 0);
  EXPECT_EQ(os.CreateFileW(fixture.Win("pipe"), kGenericRead, kFileShareRead, kOpenAlways),
            kInvalidHandle);
  EXPECT_NE(os.LastErrorText().find("not a regular file"), std::string::npos);
}

TEST(Files, TemporaryFileIsRenamedOverTheTarget) {
  PlatformOnTempProfile fixture;
  Platform& os = fixture.os();
  test::WriteFileBytes(fixture.Native("out/NTUSER.DAT"), "old");
  std::u16string temp;
  ASSERT_TRUE(os.GetTempFileNameW(fixture.Win("out"), &temp, false));
  const std::string nativeTemp = os.ToNativePath(temp);
  const std::string name = std::filesystem::path(nativeTemp).filename().string();
  EXPECT_EQ(name.rfind(".quorvel-", 0), 0u);
  EXPECT_EQ(name.substr(name.size() - 4), ".tmp");
  EXPECT_EQ(std::filesystem::path(nativeTemp).parent_path(), fixture.Native("out"));
  EXPECT_EQ(std::filesystem::file_size(nativeTemp), 0u);
  // It becomes an archive or a restored favorite: the mode of a plain create.
  const mode_t mask = umask(022);
  umask(mask);
  struct stat info {};
  ASSERT_EQ(stat(nativeTemp.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);

  std::u16string second;
  ASSERT_TRUE(os.GetTempFileNameW(fixture.Win("out"), &second, false));
  EXPECT_NE(second, temp);
  EXPECT_TRUE(os.DeleteFileW(second));
  EXPECT_FALSE(os.DeleteFileW(second));
  // A new file of the deleted one's name is a new file, whatever the platform kept.
  const FileHandle again = os.CreateFileW(second, kGenericWrite, kFileShareNone, kCreateAlways);
  EXPECT_TRUE(WriteText(os, again, "again"));
  EXPECT_TRUE(os.CloseHandle(again));
  EXPECT_EQ(test::ReadFileBytes(os.ToNativePath(second)), "again");
  EXPECT_TRUE(os.DeleteFileW(second));

  const FileHandle file = os.CreateFileW(temp, kGenericWrite, kFileShareNone, kOpenExisting);
  EXPECT_TRUE(WriteText(os, file, "new"));
  EXPECT_TRUE(os.FlushFileBuffers(file));
  EXPECT_TRUE(os.CloseHandle(file));
  ASSERT_TRUE(os.MoveFileExW(temp, fixture.Win("out/NTUSER.DAT")));
  EXPECT_EQ(test::ReadFileBytes(fixture.Native("out/NTUSER.DAT")), "new");
  EXPECT_FALSE(os.PathFileExistsW(temp));
  EXPECT_FALSE(os.MoveFileExW(temp, fixture.Win("out/NTUSER.DAT")));

  EXPECT_FALSE(os.GetTempFileNameW(fixture.Win("missing"), &temp, false));
}

// A replaced file's rights pass to the file that replaces it (tests/cli/
// qvl_file_modes_test.cpp), but never to a file that somebody who may write the
// folder swapped in for our temporary file: nothing is replaced then.
TEST(Files, ReplacingHandsNoRightsToAFileSwappedInForOurs) {
  PlatformOnTempProfile fixture;
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
  PlatformOnTempProfile fixture;
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

TEST(Files, FolderTreesAreCreatedWithEveryParent) {
  PlatformOnTempProfile fixture;
  Platform& os = fixture.os();
  EXPECT_EQ(os.SHCreateDirectoryExW(fixture.Win("a/b/c")), 0);
  EXPECT_TRUE(std::filesystem::is_directory(fixture.Native("a/b/c")));
  EXPECT_EQ(os.SHCreateDirectoryExW(fixture.Win("a/b/c")), kErrorAlreadyExists);
  EXPECT_EQ(os.SHCreateDirectoryExW(fixture.Win("a/b") + u"\\\\d\\"), 0);
  EXPECT_TRUE(std::filesystem::is_directory(fixture.Native("a/b/d")));

  test::WriteFileBytes(fixture.Native("a/file"), "x");
  EXPECT_EQ(os.SHCreateDirectoryExW(fixture.Win("a/file/below")), kErrorPathNotFound);
  EXPECT_NE(os.SHCreateDirectoryExW(fixture.Win("a/file")), 0);
  EXPECT_FALSE(std::filesystem::is_directory(fixture.Native("a/file")));
}

TEST(Files, ModuleFileNameIsThisProgramInWindowsForm) {
  PlatformOnTempProfile fixture;
  const std::u16string self = fixture.os().GetModuleFileNameW();
  EXPECT_EQ(self, PlatformOnTempProfile::Windows(std::filesystem::read_symlink("/proc/self/exe")));
}

}  // namespace
}  // namespace qv
