// Every value must come back from the hive file exactly as set: type code, bytes
// and name, through a commit and a registry that never saw the writes.
#include <gtest/gtest.h>

#include "platform/shared/last_error.h"
#include "platform/linux/registry/hive/hive_value_limits.h"
#include "platform/linux/registry/hive_registry.h"
#include "tests/support/hive_test_tools.h"
#include "tests/support/temp_dir.h"

namespace qv {
namespace {

using test::Bytes;

struct Sample {
  std::u16string name;
  std::uint32_t type;
  Bytes data;
};

Bytes Filled(std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
  return bytes;
}

class RegistryRoundTrip : public ::testing::Test {
 protected:
  std::string HivePath() const { return (m_dir / "NTUSER.DAT").string(); }
  std::string ClassesPath() const { return (m_dir / "classes.dat").string(); }
  test::TempDir m_dir;
};

TEST_F(RegistryRoundTrip, EveryTypeSizeAndNameSurvivesCommitAndReopen) {
  const std::vector<Sample> samples = {
      {u"", kRegSz, test::Utf16Bytes(u"unnamed default")},
      {u"Sz", kRegSz, test::Utf16Bytes(u"text")},
      {u"Expand", kRegExpandSz, test::Utf16Bytes(u"%USERPROFILE%\\x")},
      {u"Binary", kRegBinary, {0, 1, 2, 0xFF}},
      {u"Dword", kRegDword, {0x78, 0x56, 0x34, 0x12}},
      {u"Multi", kRegMultiSz, test::Utf16Bytes(std::u16string(u"a\0bc\0", 5))},
      {u"Qword", kRegQword, {1, 2, 3, 4, 5, 6, 7, 8}},
      {u"None", kRegNone, {9, 9}},
      {u"EmptySz", kRegSz, {}},
      {u"EmptyBinary", kRegBinary, {}},
      {u"Odd type code", 0x12345678u, {1, 2, 3}},
      {u"Big", kRegBinary, Filled(20000)},  // over 16344: one plain cell in a 1.3 hive
      {u"Ünïcødé", kRegSz, test::Utf16Bytes(u"Ünïcødé")},
      {u"日本", kRegDword, {1, 0, 0, 0}},
  };
  const std::u16string keyPath = u"Software\\Ünïcødé\\日本\\Ключ";
  {
    HiveRegistry registry(HivePath(), ClassesPath());
    for (const Sample& sample : samples) {
      ASSERT_EQ(test::PutValue(registry, kHkeyCurrentUser, keyPath, sample.name, sample.type,
                               sample.data),
                kErrorSuccess)
          << LastErrorTextOfThread();
    }
    ASSERT_TRUE(registry.RegCommit(kHkeyCurrentUser).ok());
  }

  HiveRegistry fresh(HivePath(), ClassesPath());
  RegKey key = 0;
  ASSERT_EQ(fresh.RegOpenKeyExW(kHkeyCurrentUser, keyPath, kKeyAllAccess, &key), kErrorSuccess);
  std::vector<std::u16string> expectedNames;
  for (const Sample& sample : samples) {
    expectedNames.push_back(sample.name);
    const auto stored = test::QueryValue(fresh, key, sample.name);
    ASSERT_TRUE(stored.has_value()) << std::string(sample.name.begin(), sample.name.end());
    EXPECT_EQ(stored->type, sample.type);
    EXPECT_EQ(stored->data, sample.data);
  }
  EXPECT_EQ(test::ListValues(fresh, key), expectedNames);
  EXPECT_EQ(fresh.RegCloseKey(key), kErrorSuccess);

  RegKey parent = 0;
  ASSERT_EQ(fresh.RegOpenKeyExW(kHkeyCurrentUser, u"Software\\Ünïcødé", kKeyRead, &parent),
            kErrorSuccess);
  EXPECT_EQ(test::ListSubkeys(fresh, parent), std::vector<std::u16string>{u"日本"});
}

TEST_F(RegistryRoundTrip, LaterCommitsReplaceByNameAndKeepTheRest) {
  {
    HiveRegistry registry(HivePath(), ClassesPath());
    ASSERT_EQ(test::PutValue(registry, kHkeyCurrentUser, u"K", u"First", kRegDword, {1, 0, 0, 0}),
              kErrorSuccess);
    ASSERT_EQ(test::PutValue(registry, kHkeyCurrentUser, u"K", u"Second", kRegSz,
                             test::Utf16Bytes(u"two")),
              kErrorSuccess);
    ASSERT_TRUE(registry.RegCommit(kHkeyCurrentUser).ok());
  }
  {
    HiveRegistry registry(HivePath(), ClassesPath());
    // Another case, another type: the value keeps its place and first spelling.
    ASSERT_EQ(test::PutValue(registry, kHkeyCurrentUser, u"k", u"FIRST", kRegQword,
                             {2, 0, 0, 0, 0, 0, 0, 0}),
              kErrorSuccess);
    ASSERT_EQ(test::PutValue(registry, kHkeyCurrentUser, u"K", u"Third", kRegNone, {}),
              kErrorSuccess);
    ASSERT_TRUE(registry.RegCommit(kHkeyCurrentUser).ok());
  }
  HiveRegistry fresh(HivePath(), ClassesPath());
  RegKey key = 0;
  ASSERT_EQ(fresh.RegOpenKeyExW(kHkeyCurrentUser, u"K", kKeyRead, &key), kErrorSuccess);
  EXPECT_EQ(test::ListValues(fresh, key),
            (std::vector<std::u16string>{u"First", u"Second", u"Third"}));
  EXPECT_EQ(test::QueryValue(fresh, key, u"first"),
            (test::StoredValue{kRegQword, {2, 0, 0, 0, 0, 0, 0, 0}}));
  EXPECT_EQ(test::QueryValue(fresh, key, u"Second"),
            (test::StoredValue{kRegSz, test::Utf16Bytes(u"two")}));
}

TEST_F(RegistryRoundTrip, ValueSizeLimitIsEnforcedBeforeBuffering) {
  HiveRegistry registry(HivePath(), ClassesPath());
  const Bytes largest = Filled(kMaxValueBytes);
  ASSERT_EQ(test::PutValue(registry, kHkeyCurrentUser, u"Big", u"Largest", kRegBinary, largest),
            kErrorSuccess);
  const Bytes tooLarge(kMaxValueBytes + 1, 0xAB);
  EXPECT_EQ(test::PutValue(registry, kHkeyCurrentUser, u"Big", u"TooLarge", kRegBinary, tooLarge),
            kErrorInvalidParameter);
  EXPECT_NE(LastErrorTextOfThread().find("limit"), std::string::npos) << LastErrorTextOfThread();
  const Status committed = registry.RegCommit(kHkeyCurrentUser);
  ASSERT_TRUE(committed.ok()) << committed.message();

  HiveRegistry fresh(HivePath(), ClassesPath());
  RegKey key = 0;
  ASSERT_EQ(fresh.RegOpenKeyExW(kHkeyCurrentUser, u"Big", kKeyRead, &key), kErrorSuccess);
  EXPECT_EQ(test::QueryValue(fresh, key, u"Largest"), (test::StoredValue{kRegBinary, largest}));
  EXPECT_EQ(test::ListValues(fresh, key), std::vector<std::u16string>{u"Largest"});
}

TEST_F(RegistryRoundTrip, ClassesRootHasItsOwnHive) {
  HiveRegistry registry(HivePath(), ClassesPath());
  ASSERT_EQ(test::PutValue(registry, kHkeyClassesRoot, u".qvl", u"", kRegSz,
                           test::Utf16Bytes(u"Quorvel.Archive")),
            kErrorSuccess);
  ASSERT_TRUE(registry.RegCommit(kHkeyClassesRoot).ok());
  EXPECT_TRUE(std::filesystem::exists(ClassesPath()));
  EXPECT_FALSE(std::filesystem::exists(HivePath()));

  HiveRegistry fresh(HivePath(), ClassesPath());
  RegKey key = 0;
  ASSERT_EQ(fresh.RegOpenKeyExW(kHkeyClassesRoot, u".QVL", kKeyRead, &key), kErrorSuccess);
  EXPECT_EQ(test::QueryValue(fresh, key, u""),
            (test::StoredValue{kRegSz, test::Utf16Bytes(u"Quorvel.Archive")}));
  EXPECT_EQ(fresh.RegOpenKeyExW(kHkeyCurrentUser, u".qvl", kKeyRead, &key), kErrorFileNotFound);
}

}  // namespace
}  // namespace qv
