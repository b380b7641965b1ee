#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "tests/platform/platform_on_temp_profile.h"

namespace qv {
namespace {

using test::PlatformOnTempProfile;

class ShareModes : public ::testing::Test {
 protected:
  ShareModes() { test::WriteFileBytes(m_fixture.Native("archive.qvl"), "0123456789"); }

  FileHandle Open(std::uint32_t access, std::uint32_t share, std::uint32_t disposition = kOpenExisting) {
    return os().CreateFileW(m_fixture.Win("archive.qvl"), access, share, disposition);
  }
  bool CanOpen(std::uint32_t access, std::uint32_t share) {
    const FileHandle file = Open(access, share);
    if (file == kInvalidHandle) return false;
    EXPECT_TRUE(os().CloseHandle(file));
    return true;
  }
  Platform& os() { return m_fixture.os(); }

  PlatformOnTempProfile m_fixture;
};

TEST_F(ShareModes, ReadersThatShareReadingCoexist) {
  const FileHandle first = Open(kGenericRead, kFileShareRead);
  ASSERT_NE(first, kInvalidHandle);
  EXPECT_TRUE(CanOpen(kGenericRead, kFileShareRead));
  EXPECT_FALSE(CanOpen(kGenericWrite, kFileShareRead));
  EXPECT_FALSE(CanOpen(kGenericRead, kFileShareNone));
  EXPECT_TRUE(os().CloseHandle(first));
  EXPECT_TRUE(CanOpen(kGenericWrite, kFileShareNone));
}

TEST_F(ShareModes, WriterExcludesOtherWritersAndReaders) {
  // The archive being written stays out of a backup that walks past it: a reader
  // asking to share only reading does not tolerate a writer.
  const FileHandle writer = Open(kGenericWrite, kFileShareRead);
  ASSERT_NE(writer, kInvalidHandle);
  EXPECT_FALSE(CanOpen(kGenericWrite, kFileShareRead));
  EXPECT_NE(os().LastErrorText().find("is in use"), std::string::npos);
  EXPECT_NE(os().LastErrorText().find("archive.qvl"), std::string::npos);
  EXPECT_FALSE(CanOpen(kGenericRead, kFileShareRead));
  EXPECT_TRUE(os().CloseHandle(writer));
  EXPECT_TRUE(CanOpen(kGenericRead, kFileShareRead));
}

TEST_F(ShareModes, AReaderSharingEverythingBlocksNobody) {
  // A size query holding a file must not make a backup's reader, a writer or an
  // exclusive opener fail, and none of them makes the size query fail.
  const FileHandle sizer = Open(kGenericRead, kFileShareRead | kFileShareWrite);
  ASSERT_NE(sizer, kInvalidHandle);
  EXPECT_TRUE(CanOpen(kGenericRead, kFileShareRead));
  EXPECT_TRUE(CanOpen(kGenericWrite, kFileShareRead));
  EXPECT_TRUE(CanOpen(kGenericRead, kFileShareNone));
  const FileHandle writer = Open(kGenericWrite, kFileShareRead);
  ASSERT_NE(writer, kInvalidHandle);
  EXPECT_TRUE(CanOpen(kGenericRead, kFileShareRead | kFileShareWrite));
  EXPECT_TRUE(os().CloseHandle(writer));
  EXPECT_TRUE(os().CloseHandle(sizer));
}

TEST_F(ShareModes, ShareNoneExcludesEveryone) {
  const FileHandle restoreReader = Open(kGenericRead, kFileShareNone);
  ASSERT_NE(restoreReader, kInvalidHandle);
  EXPECT_FALSE(CanOpen(kGenericRead, kFileShareRead));
  EXPECT_FALSE(CanOpen(kGenericRead, kFileShareNone));
  EXPECT_FALSE(CanOpen(kGenericWrite, kFileShareRead));
  EXPECT_TRUE(os().CloseHandle(restoreReader));
}

TEST_F(ShareModes, RefusedCreateAlwaysLeavesTheFileIntact) {
  const FileHandle reader = Open(kGenericRead, kFileShareRead);
  ASSERT_NE(reader, kInvalidHandle);
  EXPECT_EQ(Open(kGenericWrite, kFileShareNone, kCreateAlways), kInvalidHandle);
  EXPECT_EQ(test::ReadFileBytes(m_fixture.Native("archive.qvl")), "0123456789");
  EXPECT_TRUE(os().CloseHandle(reader));
}

TEST_F(ShareModes, LocksHoldAcrossThreadsAndPlatformInstances) {
  const FileHandle writer = Open(kGenericWrite, kFileShareRead);
  ASSERT_NE(writer, kInvalidHandle);
  bool otherThreadOpened = true;
  std::string otherThreadError;
  std::thread other([&] {
    otherThreadOpened = CanOpen(kGenericRead, kFileShareRead);
    otherThreadError = os().LastErrorText();
  });
  other.join();
  EXPECT_FALSE(otherThreadOpened);
  EXPECT_NE(otherThreadError.find("is in use"), std::string::npos);

  const auto second = MakeLinuxPlatform({m_fixture.ProfileDir().string(), ""});
  EXPECT_EQ(second->CreateFileW(m_fixture.Win("archive.qvl"), kGenericRead, kFileShareRead,
                                kOpenExisting),
            kInvalidHandle);
  EXPECT_TRUE(os().CloseHandle(writer));
}

}  // namespace
}  // namespace qv
