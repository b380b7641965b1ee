// Share modes between openers of one file, as the jobs rely on them: an archive
// being written stays out of a backup, and a file being read is not replaced.
#include <string>
#include <thread>

#include "tests/platform/contract/platform_harness.h"
#include "tests/support/temp_dir.h"

namespace qv::test {
namespace {

// One file and the openers that contend for it.
class SharedFile {
 public:
  explicit SharedFile(PlatformHarness& harness)
      : m_os(harness.os()), m_strPath(harness.Win("archive.qvl")) {
    WriteFileBytes(harness.Native("archive.qvl"), "0123456789");
  }

  FileHandle Open(std::uint32_t access, std::uint32_t share,
                  std::uint32_t disposition = kOpenExisting) {
    return m_os.CreateFileW(m_strPath, access, share, disposition);
  }
  bool CanOpen(std::uint32_t access, std::uint32_t share) {
    const FileHandle file = Open(access, share);
    if (file == kInvalidHandle) return false;
    EXPECT_TRUE(m_os.CloseHandle(file));
    return true;
  }

 private:
  Platform& m_os;
  std::u16string m_strPath;
};

TEST_P(PlatformContract, ReadersThatShareReadingCoexist) {
  SharedFile archive(harness());
  const FileHandle first = archive.Open(kGenericRead, kFileShareRead);
  ASSERT_NE(first, kInvalidHandle);
  EXPECT_TRUE(archive.CanOpen(kGenericRead, kFileShareRead));
  EXPECT_FALSE(archive.CanOpen(kGenericWrite, kFileShareRead));
  EXPECT_FALSE(archive.CanOpen(kGenericRead, kFileShareNone));
  EXPECT_TRUE(os().CloseHandle(first));
  EXPECT_TRUE(archive.CanOpen(kGenericWrite, kFileShareNone));
}

TEST_P(PlatformContract, WriterExcludesOtherWritersAndReaders) {
  // The archive being written stays out of a backup that walks past it: a reader
  // asking to share only reading does not tolerate a writer.
  SharedFile archive(harness());
  const FileHandle writer = archive.Open(kGenericWrite, kFileShareRead);
  ASSERT_NE(writer, kInvalidHandle);
  EXPECT_FALSE(archive.CanOpen(kGenericWrite, kFileShareRead));
  EXPECT_NE(os().LastErrorText().find("is in use"), std::string::npos) << os().LastErrorText();
  EXPECT_NE(os().LastErrorText().find("archive.qvl"), std::string::npos);
  EXPECT_FALSE(archive.CanOpen(kGenericRead, kFileShareRead));
  EXPECT_TRUE(os().CloseHandle(writer));
  EXPECT_TRUE(archive.CanOpen(kGenericRead, kFileShareRead));
}

TEST_P(PlatformContract, AReaderSharingEverythingBlocksOnlyWhoSharesNothing) {
  // A size query holding a file must not make a backup's reader or a writer fail,
  // and none of them makes the size query fail. Only an open that shares nothing
  // and the size query exclude each other, as on Windows.
  SharedFile archive(harness());
  const FileHandle sizer = archive.Open(kGenericRead, kFileShareRead | kFileShareWrite);
  ASSERT_NE(sizer, kInvalidHandle);
  EXPECT_TRUE(archive.CanOpen(kGenericRead, kFileShareRead));
  EXPECT_TRUE(archive.CanOpen(kGenericWrite, kFileShareRead));
  EXPECT_TRUE(archive.CanOpen(kGenericRead, kFileShareRead | kFileShareWrite));
  EXPECT_FALSE(archive.CanOpen(kGenericRead, kFileShareNone));
  EXPECT_NE(os().LastErrorText().find("is in use"), std::string::npos) << os().LastErrorText();
  EXPECT_FALSE(archive.CanOpen(kGenericWrite, kFileShareNone));
  const FileHandle writer = archive.Open(kGenericWrite, kFileShareRead);
  ASSERT_NE(writer, kInvalidHandle);
  EXPECT_TRUE(archive.CanOpen(kGenericRead, kFileShareRead | kFileShareWrite));
  EXPECT_TRUE(os().CloseHandle(writer));
  EXPECT_TRUE(os().CloseHandle(sizer));
  EXPECT_TRUE(archive.CanOpen(kGenericRead, kFileShareNone));
}

TEST_P(PlatformContract, ShareNoneExcludesEveryone) {
  SharedFile archive(harness());
  const FileHandle restoreReader = archive.Open(kGenericRead, kFileShareNone);
  ASSERT_NE(restoreReader, kInvalidHandle);
  EXPECT_FALSE(archive.CanOpen(kGenericRead, kFileShareRead));
  EXPECT_FALSE(archive.CanOpen(kGenericRead, kFileShareNone));
  EXPECT_FALSE(archive.CanOpen(kGenericWrite, kFileShareRead));
  EXPECT_FALSE(archive.CanOpen(kGenericRead, kFileShareRead | kFileShareWrite));
  EXPECT_TRUE(os().CloseHandle(restoreReader));
}

TEST_P(PlatformContract, RefusedCreateAlwaysLeavesTheFileIntact) {
  SharedFile archive(harness());
  const FileHandle reader = archive.Open(kGenericRead, kFileShareRead);
  ASSERT_NE(reader, kInvalidHandle);
  EXPECT_EQ(archive.Open(kGenericWrite, kFileShareNone, kCreateAlways), kInvalidHandle);
  EXPECT_EQ(ReadFileBytes(Native("archive.qvl")), "0123456789");
  EXPECT_TRUE(os().CloseHandle(reader));
}

TEST_P(PlatformContract, ShareLocksHoldAcrossThreads) {
  SharedFile archive(harness());
  const FileHandle writer = archive.Open(kGenericWrite, kFileShareRead);
  ASSERT_NE(writer, kInvalidHandle);
  bool otherThreadOpened = true;
  std::string otherThreadError;
  std::thread other([&] {
    otherThreadOpened = archive.CanOpen(kGenericRead, kFileShareRead);
    otherThreadError = os().LastErrorText();
  });
  other.join();
  EXPECT_FALSE(otherThreadOpened);
  EXPECT_NE(otherThreadError.find("is in use"), std::string::npos);
  EXPECT_TRUE(os().CloseHandle(writer));
}

}  // namespace
}  // namespace qv::test
