// The Windows registry behaviour the settings source and the file association
// rely on: handles, enumeration, case, buffer sizes, and reads that see writes
// not yet committed.
#include <gtest/gtest.h>

#include "platform/shared/last_error.h"
#include "platform/linux/registry/hive_registry.h"
#include "tests/support/hive_test_tools.h"
#include "tests/support/temp_dir.h"

namespace qv {
namespace {

using test::Bytes;
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

TEST_F(RegistrySemantics, HandlesAndRoots) {
  RegKey key = 0;
  EXPECT_EQ(m_registry.RegOpenKeyExW(0x80000002u, u"", kKeyRead, &key), kErrorFileNotFound);
  EXPECT_EQ(m_registry.RegOpenKeyExW(12345, u"", kKeyRead, &key), kErrorInvalidHandle);
  EXPECT_FALSE(m_registry.RegCommit(0x80000002u).ok());

  const RegKey software = Create(u"Software");
  EXPECT_LT(software, 0x80000000u);
  EXPECT_NE(software, 0u);
  // An open key serves as the base of a relative open, like a root.
  const RegKey child = Create(u"Software\\Child");
  const RegKey viaParent = Open(u"CHILD", software);
  EXPECT_NE(viaParent, child);
  EXPECT_EQ(m_registry.RegSetValueExW(viaParent, u"V", kRegDword, Bytes{5, 0, 0, 0}.data(), 4),
            kErrorSuccess);
  EXPECT_EQ(test::QueryValue(m_registry, child, u"v"), (test::StoredValue{kRegDword, {5, 0, 0, 0}}));

  EXPECT_EQ(m_registry.RegCloseKey(viaParent), kErrorSuccess);
  EXPECT_EQ(m_registry.RegCloseKey(viaParent), kErrorInvalidHandle);
  std::u16string name;
  EXPECT_EQ(m_registry.RegEnumValueW(viaParent, 0, 10240, &name), kErrorInvalidHandle);
  // Closing a root is harmless and leaves it usable.
  EXPECT_EQ(m_registry.RegCloseKey(kHkeyCurrentUser), kErrorSuccess);
  EXPECT_EQ(test::ListSubkeys(m_registry, kHkeyCurrentUser), Names{u"Software"});
}

TEST_F(RegistrySemantics, CreateMakesParentsAndReadsSeePendingWritesBeforeCommit) {
  const RegKey deep = Create(u"A\\B\\C");
  EXPECT_EQ(m_registry.RegSetValueExW(deep, u"", kRegSz, test::Utf16Bytes(u"d").data(), 4),
            kErrorSuccess);
  EXPECT_FALSE(std::filesystem::exists(m_strHive));  // nothing written yet

  EXPECT_EQ(test::ListSubkeys(m_registry, Open(u"A")), Names{u"B"});
  EXPECT_EQ(test::ListSubkeys(m_registry, Open(u"a\\b")), Names{u"C"});
  EXPECT_EQ(test::ListValues(m_registry, deep), Names{u""});
  EXPECT_EQ(test::QueryValue(m_registry, Open(u"A\\B\\C"), u""),
            (test::StoredValue{kRegSz, test::Utf16Bytes(u"d")}));

  Commit();
  EXPECT_EQ(test::ListSubkeys(m_registry, Open(u"A\\B")), Names{u"C"});
  // A key that exists already is opened, not recreated, and nothing is pending.
  const auto written = std::filesystem::last_write_time(m_strHive);
  Create(u"a\\B");
  Commit();
  EXPECT_EQ(std::filesystem::last_write_time(m_strHive), written);
}

TEST_F(RegistrySemantics, NamesMatchWithoutRegardToCaseBeforeAndAfterCommit) {
  Create(u"Software\\Ünïcødé\\Ключ\\Λέξη");
  const RegKey key = Open(u"software\\ÜNÏCØDÉ\\КЛЮЧ\\ΛΈΞΗ");
  EXPECT_EQ(m_registry.RegSetValueExW(key, u"Name", kRegDword, Bytes{1, 0, 0, 0}.data(), 4),
            kErrorSuccess);
  EXPECT_EQ(m_registry.RegSetValueExW(key, u"NAME", kRegDword, Bytes{2, 0, 0, 0}.data(), 4),
            kErrorSuccess);
  for (int pass = 0; pass < 2; ++pass) {
    EXPECT_EQ(test::ListSubkeys(m_registry, Open(u"SOFTWARE")), Names{u"Ünïcødé"});
    EXPECT_EQ(test::ListValues(m_registry, key), Names{u"Name"});
    EXPECT_EQ(test::QueryValue(m_registry, key, u"nAmE"),
              (test::StoredValue{kRegDword, {2, 0, 0, 0}}));
    Commit();
  }
  // Creating with other case adds no sibling.
  Create(u"SOFTWARE\\ünïcødé\\ключ");
  EXPECT_EQ(test::ListSubkeys(m_registry, Open(u"Software")), Names{u"Ünïcødé"});
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

TEST_F(RegistrySemantics, SmallBuffersGiveMoreDataAndTheNeededSize) {
  const RegKey key = Create(u"Four");
  const Bytes data = test::Utf16Bytes(u"abc");  // 8 bytes
  ASSERT_EQ(m_registry.RegSetValueExW(key, u"Name", kRegSz, data.data(), 8), kErrorSuccess);

  std::u16string name = u"unchanged";
  EXPECT_EQ(m_registry.RegEnumValueW(key, 0, 4, &name), kErrorMoreData);  // 4 units + terminator
  EXPECT_EQ(m_registry.RegEnumValueW(key, 0, 5, &name), kErrorSuccess);
  EXPECT_EQ(name, u"Name");
  EXPECT_EQ(m_registry.RegEnumKeyExW(kHkeyCurrentUser, 0, 4, &name), kErrorMoreData);
  EXPECT_EQ(m_registry.RegEnumKeyExW(kHkeyCurrentUser, 0, 5, &name), kErrorSuccess);

  std::uint32_t type = 0;
  std::uint32_t size = 7;
  std::uint8_t buffer[8] = {};
  EXPECT_EQ(m_registry.RegQueryValueExW(key, u"Name", &type, buffer, &size), kErrorMoreData);
  EXPECT_EQ(size, 8u);
  EXPECT_EQ(m_registry.RegQueryValueExW(key, u"Name", &type, buffer, &size), kErrorSuccess);
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(Bytes(buffer, buffer + 8), data);
  EXPECT_EQ(m_registry.RegQueryValueExW(key, u"Missing", &type, nullptr, &size), kErrorFileNotFound);
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
