#include "tests/support/fault_injecting_platform.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/platform/contract/linux_harness.h"

namespace qv {
namespace {

class FaultInjection : public ::testing::Test {
 protected:
  FaultInjection() : m_faults(m_fixture.os()) {}

  FileHandle OpenForWrite(const std::string& name) {
    return m_faults.CreateFileW(m_fixture.Win(name), kGenericWrite, kFileShareNone, kCreateAlways);
  }
  bool Write(FileHandle file, const std::string& text, std::uint32_t* written) {
    return m_faults.WriteFile(file, text.data(), static_cast<std::uint32_t>(text.size()), written);
  }

  test::LinuxHarness m_fixture;
  FaultInjectingPlatform m_faults;
};

TEST_F(FaultInjection, NthWriteFailsWithoutWriting) {
  const FileHandle file = OpenForWrite("a");
  m_faults.FailNthWrite(2);
  std::uint32_t written = 0;
  EXPECT_TRUE(Write(file, "one", &written));
  EXPECT_FALSE(Write(file, "two", &written));
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(m_faults.LastErrorText().rfind("injected fault", 0), 0u);
  EXPECT_TRUE(Write(file, "three", &written));
  EXPECT_TRUE(m_faults.CloseHandle(file));
  EXPECT_EQ(test::ReadFileBytes(m_fixture.Native("a")), "onethree");
}

TEST_F(FaultInjection, WritesFailOnceTheByteBudgetIsSpent) {
  const FileHandle file = OpenForWrite("a");
  m_faults.FailWritesAfterBytes(5);
  std::uint32_t written = 0;
  EXPECT_TRUE(Write(file, "abc", &written));
  EXPECT_FALSE(Write(file, "defg", &written));
  EXPECT_EQ(written, 2u);
  EXPECT_FALSE(Write(file, "h", &written));
  EXPECT_EQ(written, 0u);
  m_faults.Reset();
  EXPECT_TRUE(Write(file, "i", &written));
  EXPECT_TRUE(m_faults.CloseHandle(file));
  EXPECT_EQ(test::ReadFileBytes(m_fixture.Native("a")), "abcdei");
}

TEST_F(FaultInjection, ReadsFailOnceTheByteBudgetIsSpent) {
  test::WriteFileBytes(m_fixture.Native("r"), "0123456789");
  const FileHandle file =
      m_faults.CreateFileW(m_fixture.Win("r"), kGenericRead, kFileShareRead, kOpenExisting);
  m_faults.FailReadsAfterBytes(6);
  char buffer[4];
  std::uint32_t got = 0;
  EXPECT_TRUE(m_faults.ReadFile(file, buffer, 4, &got));
  EXPECT_EQ(got, 4u);
  EXPECT_FALSE(m_faults.ReadFile(file, buffer, 4, &got));
  EXPECT_EQ(got, 2u);
  EXPECT_EQ(std::string(buffer, 2), "45");
  EXPECT_TRUE(m_faults.CloseHandle(file));
}

TEST_F(FaultInjection, OpensRenamesAndFlushesFailWhenAsked) {
  m_faults.FailCreateFileContaining(u"Favorites");
  EXPECT_EQ(OpenForWrite("profile/Favorites/a.url"), kInvalidHandle);
  const FileHandle other = OpenForWrite("archive.qvl");
  ASSERT_NE(other, kInvalidHandle);

  m_faults.FailFlush(true);
  EXPECT_FALSE(m_faults.FlushFileBuffers(other));
  EXPECT_TRUE(m_faults.CloseHandle(other));

  m_faults.FailMoveFile(true);
  EXPECT_FALSE(m_faults.MoveFileExW(m_fixture.Win("archive.qvl"), m_fixture.Win("moved.qvl")));
  EXPECT_TRUE(m_faults.PathFileExistsW(m_fixture.Win("archive.qvl")));
  m_faults.Reset();
  EXPECT_TRUE(m_faults.MoveFileExW(m_fixture.Win("archive.qvl"), m_fixture.Win("moved.qvl")));
}

}  // namespace
}  // namespace qv
