// How often a backup and a restore of many favorites call the platform: per folder
// what is per folder, per file only what must be, so that no repeated look at a
// path creeps back in.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <string>

#include "jobs/backup_job.h"
#include "jobs/extract/extract_job.h"
#include "jobs/restore_job.h"
#include "platform/platform_wrapper.h"
#include "tests/support/restore_fixture.h"

namespace qv::test {
namespace {

class CountingPlatform final : public PlatformWrapper {
 public:
  using PlatformWrapper::PlatformWrapper;

  std::map<std::string, int> Take() {
    std::lock_guard lock(m_mutex);
    return std::exchange(m_calls, {});
  }

  FileHandle CreateFileW(std::u16string_view path, std::uint32_t access, std::uint32_t shareMode,
                         std::uint32_t disposition) override {
    Count("CreateFileW");
    return PlatformWrapper::CreateFileW(path, access, shareMode, disposition);
  }
  bool ReadFile(FileHandle file, void* buffer, std::uint32_t bytesToRead, std::uint32_t* bytesRead) override {
    Count("ReadFile");
    return PlatformWrapper::ReadFile(file, buffer, bytesToRead, bytesRead);
  }
  bool IsPathWithin(std::u16string_view path, std::u16string_view folder, bool* unresolved) override {
    Count("IsPathWithin");
    return PlatformWrapper::IsPathWithin(path, folder, unresolved);
  }
  std::uint32_t GetFileAttributesW(std::u16string_view path, int* error) override {
    Count("GetFileAttributesW");
    return PlatformWrapper::GetFileAttributesW(path, error);
  }
  bool PathFileExistsW(std::u16string_view path) override {
    Count("PathFileExistsW");
    return PlatformWrapper::PathFileExistsW(path);
  }
  int SHCreateDirectoryExW(std::u16string_view path) override {
    Count("SHCreateDirectoryExW");
    return PlatformWrapper::SHCreateDirectoryExW(path);
  }
  bool SHGetSpecialFolderPathW(int csidl, bool create, std::u16string* path) override {
    Count("SHGetSpecialFolderPathW");
    return PlatformWrapper::SHGetSpecialFolderPathW(csidl, create, path);
  }
  bool FlushFileBuffers(FileHandle file) override {
    Count("FlushFileBuffers");
    return PlatformWrapper::FlushFileBuffers(file);
  }
  bool MoveFileExW(std::u16string_view from, std::u16string_view to) override {
    Count("MoveFileExW");
    return PlatformWrapper::MoveFileExW(from, to);
  }
  std::vector<std::string> ReplaceFilesDurably(const std::vector<FileReplacement>& batch,
                                               const RenameTurn& turn) override {
    Count("ReplaceFilesDurably");
    return PlatformWrapper::ReplaceFilesDurably(batch, turn);
  }

 private:
  void Count(const char* what) {
    std::lock_guard lock(m_mutex);
    ++m_calls[what];
  }
  std::mutex m_mutex;
  std::map<std::string, int> m_calls;
};

TEST(PlatformCallBudget, ManyFavoritesCostAFewCallsEach) {
  constexpr int kFolders = 4;
  constexpr int kFiles = 100;
  RestoreFixture target;
  CountingPlatform counting(target.Profile().platform());
  std::map<std::string, int> backup;
  {
    ProfileFixture source;
    for (int i = 0; i < kFiles; ++i) {
      source.AddFavorite("Folder" + std::to_string(i % kFolders) + "/site" + std::to_string(i) + ".url", "x");
    }
    CountingPlatform sourceCounting(source.platform());
    const ScopedPlatform installed(sourceCounting);
    BackupOptions options;
    options.strArchivePath = source.WindowsPath(target.ArchiveFile());
    ASSERT_TRUE(RunBackup(options).bOk);
    backup = sourceCounting.Take();
  }
  // One open and one read per small favorite, and a few for the archive; nothing
  // resolved per file, and one look for the profile's hive.
  EXPECT_LE(backup["CreateFileW"], kFiles + 4);
  EXPECT_LE(backup["ReadFile"], kFiles + 4);
  EXPECT_LE(backup["IsPathWithin"], 2);
  EXPECT_LE(backup["GetFileAttributesW"], 1);

  const std::string archive = ReadFileBytes(target.ArchiveFile());
  const ScopedPlatform installed(counting);
  ASSERT_EQ(target.Restore(archive).outcome, RestoreOutcome::kOk);
  std::map<std::string, int> restore = counting.Take();
  // Per file: one temporary file to open, and a look at the target unless the
  // restore made its folder (here: all of them, so one look per folder); per
  // folder, one check and one creation; one durable replacement for the batch.
  EXPECT_EQ(restore["GetFileAttributesW"], kFolders);
  EXPECT_LE(restore["CreateFileW"], kFiles + 2);
  EXPECT_LE(restore["IsPathWithin"], kFolders + 1);
  EXPECT_LE(restore["SHCreateDirectoryExW"], kFolders + 1);
  EXPECT_LE(restore["SHGetSpecialFolderPathW"], 2);
  EXPECT_EQ(restore["PathFileExistsW"], 0);
  EXPECT_EQ(restore["FlushFileBuffers"], 0);
  EXPECT_EQ(restore["MoveFileExW"], 0);
  EXPECT_EQ(restore["ReplaceFilesDurably"], 1);

  // An extract puts its favorites in place as a restore does: no sync of their own.
  ProfileFixture folder;
  CountingPlatform extractCounting(folder.platform());
  const ScopedPlatform extracting(extractCounting);
  ExtractOptions extract;
  extract.strArchivePath = folder.WindowsPath(target.ArchiveFile());
  ASSERT_EQ(RunExtract(extract).outcome, RestoreOutcome::kOk);
  std::map<std::string, int> extracted = extractCounting.Take();
  EXPECT_EQ(extracted["FlushFileBuffers"], 0);
  EXPECT_EQ(extracted["MoveFileExW"], 0);
  EXPECT_EQ(extracted["ReplaceFilesDurably"], 1);
}

// A file system that hands out a few bytes per read (some network and user-space
// ones do): a backup must read on to the end, not take a short read for the end.
class TrickleReadingPlatform final : public PlatformWrapper {
 public:
  using PlatformWrapper::PlatformWrapper;
  bool ReadFile(FileHandle file, void* buffer, std::uint32_t bytesToRead, std::uint32_t* bytesRead) override {
    return PlatformWrapper::ReadFile(file, buffer, std::min<std::uint32_t>(bytesToRead, 7), bytesRead);
  }
};

TEST(PlatformCallBudget, ShortReadsBeforeTheEndStillStoreTheWholeFile) {
  const std::string small(100, 's');
  std::string large(250'000, '\0');
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>(i * 31 % 251);
  RestoreFixture target;
  {
    ProfileFixture source;
    source.AddFavorite("small.url", small);
    source.AddFavorite("large.bin", large);
    TrickleReadingPlatform trickle(source.platform());
    const ScopedPlatform installed(trickle);
    BackupOptions options;
    options.strArchivePath = source.WindowsPath(target.ArchiveFile());
    ASSERT_TRUE(RunBackup(options).bOk);
  }
  ASSERT_EQ(target.Restore(ReadFileBytes(target.ArchiveFile())).outcome, RestoreOutcome::kOk);
  EXPECT_EQ(target.Favorite("small.url"), small);
  EXPECT_EQ(target.Favorite("large.bin"), large);
}

}  // namespace
}  // namespace qv::test
