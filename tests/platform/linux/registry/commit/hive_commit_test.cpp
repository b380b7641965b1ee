// What reaches the hive file, and when: one atomic rewrite per commit, nothing on
// failure, never into a dirty hive, never a value layout Windows would misread.
#include <sys/stat.h>

#include <chrono>
#include <gtest/gtest.h>

#include "platform/shared/last_error.h"
#include "platform/linux/registry/hive/empty_hive.h"
#include "platform/linux/registry/hive/hive_header.h"
#include "platform/linux/registry/hive_registry.h"
#include "tests/support/hive_test_tools.h"
#include "tests/support/temp_dir.h"

namespace qv {
namespace {

using test::Bytes;

class HiveCommit : public ::testing::Test {
 protected:
  HiveCommit() : m_strHive((m_dir / "NTUSER.DAT").string()) {}

  // A committed hive with one value, as a starting point.
  void MakeHive() {
    HiveRegistry registry(m_strHive, (m_dir / "classes.dat").string());
    ASSERT_EQ(test::PutValue(registry, kHkeyCurrentUser, u"Software\\Old", u"Kept", kRegDword,
                             {7, 0, 0, 0}),
              kErrorSuccess);
    ASSERT_TRUE(registry.RegCommit(kHkeyCurrentUser).ok());
  }
  std::unique_ptr<HiveRegistry> Registry() {
    return std::make_unique<HiveRegistry>(m_strHive, (m_dir / "classes.dat").string());
  }
  std::size_t FilesInFolder() const {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(m_dir.path()),
                                                  std::filesystem::directory_iterator()));
  }

  test::TempDir m_dir;
  std::string m_strHive;
};

TEST_F(HiveCommit, FailureBeforeTheRenameLeavesTheOldFileAndRetryWorks) {
  MakeHive();
  const std::string before = test::ReadFileBytes(m_strHive);
  auto registry = Registry();
  ASSERT_EQ(test::PutValue(*registry, kHkeyCurrentUser, u"Software\\New", u"V", kRegSz,
                           test::Utf16Bytes(u"new")),
            kErrorSuccess);
  std::string seenTemp;
  registry->SetBeforeReplaceHook([&](const std::string& tempPath) {
    seenTemp = tempPath;
    EXPECT_TRUE(std::filesystem::exists(tempPath));
    return Status::Error("power cut");
  });
  const Status failed = registry->RegCommit(kHkeyCurrentUser);
  ASSERT_FALSE(failed.ok());
  EXPECT_NE(failed.message().find("power cut"), std::string::npos) << failed.message();
  EXPECT_EQ(test::ReadFileBytes(m_strHive), before);
  EXPECT_FALSE(std::filesystem::exists(seenTemp));
  EXPECT_EQ(FilesInFolder(), 1u);

  // The writes stay pending, so a retry commits them.
  registry->SetBeforeReplaceHook(nullptr);
  ASSERT_TRUE(registry->RegCommit(kHkeyCurrentUser).ok());
  auto fresh = Registry();
  RegKey key = 0;
  ASSERT_EQ(fresh->RegOpenKeyExW(kHkeyCurrentUser, u"Software\\New", kKeyRead, &key), kErrorSuccess);
  EXPECT_EQ(test::QueryValue(*fresh, key, u"V"), (test::StoredValue{kRegSz, test::Utf16Bytes(u"new")}));
}

TEST_F(HiveCommit, FailedFirstCommitCreatesNoHive) {
  auto registry = Registry();
  ASSERT_EQ(test::PutValue(*registry, kHkeyCurrentUser, u"K", u"V", kRegNone, {}), kErrorSuccess);
  registry->SetBeforeReplaceHook([](const std::string&) { return Status::Error("disk full"); });
  EXPECT_FALSE(registry->RegCommit(kHkeyCurrentUser).ok());
  EXPECT_EQ(FilesInFolder(), 0u);
}

TEST_F(HiveCommit, DirtyHiveIsReadButNeverWritten) {
  MakeHive();
  test::PokeHiveHeader(m_strHive, kHiveSecondarySequenceOffset, 0x1000);
  const std::string before = test::ReadFileBytes(m_strHive);
  auto registry = Registry();

  const Status writable = registry->RegCheckWritable(kHkeyCurrentUser);
  ASSERT_FALSE(writable.ok());
  EXPECT_NE(writable.message().find("dirty"), std::string::npos) << writable.message();
  EXPECT_NE(writable.message().find(".LOG"), std::string::npos) << writable.message();

  RegKey key = 0;
  ASSERT_EQ(registry->RegOpenKeyExW(kHkeyCurrentUser, u"Software\\Old", kKeyAllAccess, &key),
            kErrorSuccess);
  EXPECT_EQ(test::QueryValue(*registry, key, u"Kept"), (test::StoredValue{kRegDword, {7, 0, 0, 0}}));
  EXPECT_EQ(registry->RegSetValueExW(key, u"Kept", kRegDword, Bytes{8, 0, 0, 0}.data(), 4),
            kErrorAccessDenied);
  EXPECT_NE(LastErrorTextOfThread().find("dirty"), std::string::npos);
  RegKey created = 0;
  EXPECT_EQ(registry->RegCreateKeyExW(kHkeyCurrentUser, u"Other", kKeyAllAccess, &created),
            kErrorAccessDenied);
  EXPECT_TRUE(registry->RegCommit(kHkeyCurrentUser).ok());  // nothing was taken
  EXPECT_EQ(test::ReadFileBytes(m_strHive), before);
}

TEST_F(HiveCommit, DamagedHiveFailsReadsWithAReasonAndIsNeverReplaced) {
  MakeHive();
  std::string bytes = test::ReadFileBytes(m_strHive);
  bytes[4096] = 'X';  // the first hive bin loses its signature
  test::WriteFileBytes(m_strHive, bytes);
  auto registry = Registry();
  RegKey key = 0;
  EXPECT_EQ(registry->RegOpenKeyExW(kHkeyCurrentUser, u"", kKeyRead, &key), kErrorBadDb);
  EXPECT_NE(LastErrorTextOfThread().find("NTUSER.DAT"), std::string::npos) << LastErrorTextOfThread();
  EXPECT_FALSE(registry->RegCheckWritable(kHkeyCurrentUser).ok());
  EXPECT_NE(test::PutValue(*registry, kHkeyCurrentUser, u"K", u"V", kRegNone, {}), kErrorSuccess);
  EXPECT_TRUE(registry->RegCommit(kHkeyCurrentUser).ok());
  EXPECT_EQ(test::ReadFileBytes(m_strHive), bytes);
}

TEST_F(HiveCommit, BigDataFormatTakesOnlyValuesThatFitOneCell) {
  MakeHive();
  test::PokeHiveHeader(m_strHive, kHiveMinorVersionOffset, 4);
  auto registry = Registry();
  RegKey key = 0;
  ASSERT_EQ(registry->RegCreateKeyExW(kHkeyCurrentUser, u"Software\\Old", kKeyAllAccess, &key),
            kErrorSuccess);
  const Bytes big(20000, 0x5A);
  EXPECT_NE(registry->RegSetValueExW(key, u"Big", kRegBinary, big.data(), 20000), kErrorSuccess);
  EXPECT_NE(LastErrorTextOfThread().find("big-data"), std::string::npos) << LastErrorTextOfThread();
  const Bytes small(100, 0x11);
  EXPECT_EQ(registry->RegSetValueExW(key, u"Small", kRegBinary, small.data(), 100), kErrorSuccess);
  ASSERT_TRUE(registry->RegCommit(kHkeyCurrentUser).ok());

  auto fresh = Registry();
  ASSERT_EQ(fresh->RegOpenKeyExW(kHkeyCurrentUser, u"Software\\Old", kKeyRead, &key), kErrorSuccess);
  EXPECT_EQ(test::ListValues(*fresh, key), (std::vector<std::u16string>{u"Kept", u"Small"}));
  EXPECT_EQ(test::QueryValue(*fresh, key, u"Small"), (test::StoredValue{kRegBinary, small}));
}

TEST_F(HiveCommit, TenThousandValuesAreOneRewrite) {
  MakeHive();
  struct stat before {};
  ASSERT_EQ(::stat(m_strHive.c_str(), &before), 0);
  auto registry = Registry();
  int rewrites = 0;
  registry->SetBeforeReplaceHook([&](const std::string&) {
    ++rewrites;
    return Status::Ok();
  });
  const auto started = std::chrono::steady_clock::now();
  constexpr int kValues = 10000;
  constexpr int kKeys = 4;
  std::vector<RegKey> keys(kKeys);
  for (int k = 0; k < kKeys; ++k) {
    ASSERT_EQ(registry->RegCreateKeyExW(kHkeyCurrentUser,
                                        u"Software\\Batch\\Key" + std::u16string(1, u'0' + k),
                                        kKeyAllAccess, &keys[k]),
              kErrorSuccess);
  }
  for (int i = 0; i < kValues; ++i) {
    const std::string name = "Value" + std::to_string(i);
    const Bytes data{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i >> 8), 0, 0};
    ASSERT_EQ(registry->RegSetValueExW(keys[i % kKeys], std::u16string(name.begin(), name.end()),
                                       kRegDword, data.data(), 4),
              kErrorSuccess);
  }
  ASSERT_TRUE(registry->RegCommit(kHkeyCurrentUser).ok());
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  EXPECT_EQ(rewrites, 1);
  EXPECT_LT(seconds, 10.0);
  struct stat after {};
  ASSERT_EQ(::stat(m_strHive.c_str(), &after), 0);
  EXPECT_NE(after.st_ino, before.st_ino);  // replaced by rename, not written in place
  EXPECT_LT(after.st_size, 4 * 1024 * 1024);

  auto fresh = Registry();
  for (int k = 0; k < kKeys; ++k) {
    RegKey key = 0;
    ASSERT_EQ(fresh->RegOpenKeyExW(kHkeyCurrentUser,
                                   u"Software\\Batch\\Key" + std::u16string(1, u'0' + k), kKeyRead,
                                   &key),
              kErrorSuccess);
    const std::vector<std::u16string> names = test::ListValues(*fresh, key);
    ASSERT_EQ(names.size(), static_cast<std::size_t>(kValues / kKeys));
    for (int j = 0; j < kValues / kKeys; ++j) {
      const int i = j * kKeys + k;
      const std::string name = "Value" + std::to_string(i);
      ASSERT_EQ(names[j], std::u16string(name.begin(), name.end()));
      const auto value = test::QueryValue(*fresh, key, names[j]);
      ASSERT_TRUE(value.has_value());
      ASSERT_EQ(value->data, (Bytes{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i >> 8), 0, 0}));
    }
  }
}

TEST_F(HiveCommit, PendingBytesOverTheBoundAreRefusedAndTheRestCommitsOnce) {
  auto registry = Registry();
  int rewrites = 0;
  registry->SetBeforeReplaceHook([&](const std::string&) {
    ++rewrites;
    return Status::Ok();
  });
  registry->SetPendingLimit(64 * 1024);
  const Bytes data(4096, 0x42);
  int taken = 0;
  for (int i = 0; i < 100; ++i) {
    const std::u16string name{u'V', static_cast<char16_t>(u'A' + i % 26),
                              static_cast<char16_t>(u'a' + i / 26)};
    const RegResult put = test::PutValue(*registry, kHkeyCurrentUser, u"K", name, kRegBinary, data);
    ASSERT_TRUE(put == kErrorSuccess || put == kErrorNotEnoughMemory);
    if (put == kErrorSuccess) ++taken;
  }
  EXPECT_EQ(rewrites, 0) << "nothing reaches the hive before the commit";
  ASSERT_TRUE(registry->RegCommit(kHkeyCurrentUser).ok());
  EXPECT_EQ(rewrites, 1);
  EXPECT_GT(taken, 10);  // about 64 KiB in 4 KiB values
  EXPECT_LE(taken, 16);
  auto fresh = Registry();
  RegKey key = 0;
  ASSERT_EQ(fresh->RegOpenKeyExW(kHkeyCurrentUser, u"K", kKeyRead, &key), kErrorSuccess);
  EXPECT_EQ(test::ListValues(*fresh, key).size(), static_cast<std::size_t>(taken));
}

TEST_F(HiveCommit, ValuesPutBackAsTheyAreDoNotGrowTheHive) {
  const Bytes data(1000, 0x5A);
  const auto putAll = [&](std::u16string_view firstName, const Bytes& first) {
    auto registry = Registry();
    ASSERT_EQ(test::PutValue(*registry, kHkeyCurrentUser, u"K", firstName, kRegBinary, first), kErrorSuccess);
    for (char16_t c = u'B'; c <= u'Z'; ++c) {
      ASSERT_EQ(test::PutValue(*registry, kHkeyCurrentUser, u"K", std::u16string(1, c), kRegBinary, data),
                kErrorSuccess);
    }
    ASSERT_TRUE(registry->RegCommit(kHkeyCurrentUser).ok());
  };
  const auto hiveSize = [&] {
    struct stat st {};
    EXPECT_EQ(::stat(m_strHive.c_str(), &st), 0);
    return st.st_size;
  };
  putAll(u"A", data);
  const auto size = hiveSize();
  putAll(u"a", data);  // the same values, one name in another case
  EXPECT_EQ(hiveSize(), size);

  putAll(u"A", Bytes{1, 2, 3});  // one value differs: the key is rewritten
  auto fresh = Registry();
  RegKey key = 0;
  ASSERT_EQ(fresh->RegOpenKeyExW(kHkeyCurrentUser, u"K", kKeyRead, &key), kErrorSuccess);
  const auto value = test::QueryValue(*fresh, key, u"A");
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->data, (Bytes{1, 2, 3}));
  EXPECT_EQ(test::ListValues(*fresh, key).size(), 26u);
}

}  // namespace
}  // namespace qv
