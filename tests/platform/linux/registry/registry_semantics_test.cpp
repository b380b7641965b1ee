// What the registry of hive files does beyond what every registry does: a missing
// hive, only two roots, nothing written before the commit, the order of listings,
// and names a hive cannot hold.
#include <gtest/gtest.h>

#include "platform/shared/last_error.h"
#include "platform/linux/registry/hive_registry.h"
#include "tests/support/hive_test_tools.h"
#include "tests/support/temp_dir.h"

namespace qv {
namespace {

using Names = std::vector<std::u16string>;

class RegistrySemantics : public ::testing::Test {
 protected:
  RegistrySemantics()
      : m_strHive((m_dir / "NTUSER.DAT").string()),
        m_registry(m_strHive, (m_dir / "classes.dat").string()) {}

  RegKey Open(std::u16string_view subkey, RegKey root = kHkeyCurrentUser) {
    RegKey key = 0;
    EXPECT_EQ(m_registry.RegOpenKeyExW(root, subkey, kKeyAllAccess, &key), kErrorSuccess)
        << LastErrorTextOfThread();
    return key;
  }
  RegKey Create(std::u16string_view subkey) {
    RegKey key = 0;
    EXPECT_EQ(m_registry.RegCreateKeyExW(kHkeyCurrentUser, subkey, kKeyAllAccess, &key),
              kErrorSuccess)
        << LastErrorTextOfThread();
    return key;
  }
  void Commit() {
    const Status status = m_registry.RegCommit(kHkeyCurrentUser);
    ASSERT_TRUE(status.ok()) << status.message();
  }

  test::TempDir m_dir;
  std::string m_strHive;
  HiveRegistry m_registry;
};

TEST_F(RegistrySemantics, MissingHiveReadsAsEmptyAndNothingPendingWritesNothing) {
  RegKey root = Open(u"");
  std::u16string name;
  EXPECT_EQ(m_registry.RegEnumKeyExW(root, 0, 10240, &name), kErrorNoMoreItems);
  EXPECT_EQ(m_registry.RegEnumValueW(kHkeyCurrentUser, 0, 10240, &name), kErrorNoMoreItems);
  RegKey key = 0;
  EXPECT_EQ(m_registry.RegOpenKeyExW(kHkeyCurrentUser, u"Software", kKeyRead, &key),
            kErrorFileNotFound);
  EXPECT_TRUE(m_registry.RegCheckWritable(kHkeyCurrentUser).ok());
  Commit();
  EXPECT_FALSE(std::filesystem::exists(m_strHive));
}

// The hive registry serves the two roots it has files for and no other.
TEST_F(RegistrySemantics, OtherRootsAreMissing) {
  RegKey key = 0;
  EXPECT_EQ(m_registry.RegOpenKeyExW(0x80000002u, u"", kKeyRead, &key), kErrorFileNotFound);
  EXPECT_FALSE(m_registry.RegCommit(0x80000002u).ok());
}

TEST_F(RegistrySemantics, NothingReachesTheHiveBeforeCommitNorForAKeyThatExists) {
  const RegKey deep = Create(u"A\\B\\C");
  EXPECT_EQ(m_registry.RegSetValueExW(deep, u"", kRegSz, test::Utf16Bytes(u"d").data(), 4),
            kErrorSuccess);
  EXPECT_FALSE(std::filesystem::exists(m_strHive));  // nothing written yet

  Commit();
  // A key that exists already is opened, not recreated, and nothing is pending.
  const auto written = std::filesystem::last_write_time(m_strHive);
  Create(u"a\\B");
  Commit();
  EXPECT_EQ(std::filesystem::last_write_time(m_strHive), written);
}

TEST_F(RegistrySemantics, EnumerationFollowsTheHiveThenPendingAdditions) {
  const RegKey key = Create(u"K");
  for (const char16_t* name : {u"zeta", u"alpha", u"Mid"}) {
    ASSERT_EQ(m_registry.RegSetValueExW(key, name, kRegBinary, nullptr, 0), kErrorSuccess);
  }
  Create(u"K\\Sub2");
  Create(u"K\\Sub1");
  Commit();
  // Values keep the order they were set in; what the file holds comes first.
  ASSERT_EQ(m_registry.RegSetValueExW(key, u"Later", kRegBinary, nullptr, 0), kErrorSuccess);
  EXPECT_EQ(test::ListValues(m_registry, key), (Names{u"zeta", u"alpha", u"Mid", u"Later"}));
  Create(u"K\\Sub0");
  const Names subkeys = test::ListSubkeys(m_registry, key);
  ASSERT_EQ(subkeys.size(), 3u);
  EXPECT_EQ(subkeys.back(), u"Sub0");
  std::u16string name;
  EXPECT_EQ(m_registry.RegEnumKeyExW(key, 3, 10240, &name), kErrorNoMoreItems);
  EXPECT_EQ(m_registry.RegEnumValueW(key, 4, 10240, &name), kErrorNoMoreItems);
}

TEST_F(RegistrySemantics, NamesTheHiveCannotHoldAreRefusedNotAltered) {
  const RegKey key = Create(u"K");
  const std::u16string withNul(u"a\0b", 3);
  EXPECT_EQ(m_registry.RegSetValueExW(key, withNul, kRegNone, nullptr, 0), kErrorInvalidParameter);
  const std::u16string loneSurrogate(1, static_cast<char16_t>(0xD800));
  EXPECT_EQ(m_registry.RegSetValueExW(key, loneSurrogate, kRegNone, nullptr, 0),
            kErrorInvalidParameter);
  RegKey ignored = 0;
  EXPECT_EQ(m_registry.RegCreateKeyExW(kHkeyCurrentUser, std::u16string(256, u'x'), kKeyAllAccess,
                                       &ignored),
            kErrorInvalidParameter);
  EXPECT_EQ(m_registry.RegCreateKeyExW(kHkeyCurrentUser, u"K\\" + loneSurrogate, kKeyAllAccess,
                                       &ignored),
            kErrorInvalidParameter);
  EXPECT_EQ(test::ListValues(m_registry, key), Names{});
  EXPECT_EQ(test::ListSubkeys(m_registry, key), Names{});
}

}  // namespace
}  // namespace qv
