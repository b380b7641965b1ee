// The Windows registry behaviour the settings source and the file association
// rely on, through Platform: handles, case, buffer sizes, and reads that see
// writes whether committed or not. Everything happens below the harness's
// scratch key, since a live registry is the user's own.
#include <memory>
#include <string>
#include <vector>

#include "tests/platform/contract/platform_harness.h"
#include "tests/support/registry_reads.h"

namespace qv::test {
namespace {

using Names = std::vector<std::u16string>;

std::unique_ptr<RegistryWrites> BeginWrites(Platform& os) {
  Status refused;
  std::unique_ptr<RegistryWrites> writes = os.RegBeginWrites(kHkeyCurrentUser, &refused);
  EXPECT_TRUE(writes) << refused.message();
  return writes;
}

RegKey Create(Platform& os, RegistryWrites& writes, std::u16string_view subkey) {
  RegKey key = 0;
  EXPECT_EQ(writes.RegCreateKeyExW(kHkeyCurrentUser, subkey, kKeyAllAccess, &key), kErrorSuccess)
      << os.LastErrorText();
  return key;
}

RegKey Open(Platform& os, std::u16string_view subkey, RegKey root = kHkeyCurrentUser) {
  RegKey key = 0;
  EXPECT_EQ(os.RegOpenKeyExW(root, subkey, kKeyAllAccess, &key), kErrorSuccess)
      << os.LastErrorText();
  return key;
}

void Commit(RegistryWrites& writes) {
  const Status status = writes.Commit();
  ASSERT_TRUE(status.ok()) << status.message();
}

TEST_P(PlatformContract, CommitWithNothingWrittenSucceeds) {
  RegKey key = 0;
  EXPECT_EQ(os().RegOpenKeyExW(kHkeyCurrentUser, harness().ScratchKey(), kKeyRead, &key),
            kErrorFileNotFound);
  const auto writes = BeginWrites(os());
  ASSERT_TRUE(writes);
  Commit(*writes);
}

TEST_P(PlatformContract, RegistryHandlesAndRoots) {
  const std::u16string scratch = harness().ScratchKey();
  const auto writes = BeginWrites(os());
  ASSERT_TRUE(writes);
  RegKey key = 0;
  EXPECT_EQ(os().RegOpenKeyExW(12345, u"", kKeyRead, &key), kErrorInvalidHandle);

  const RegKey parent = Create(os(), *writes, scratch);
  EXPECT_LT(parent, 0x80000000u);
  EXPECT_NE(parent, 0u);
  // An open key serves as the base of a relative open, like a root.
  const RegKey child = Create(os(), *writes, scratch + u"\\Child");
  const RegKey viaParent = Open(os(), u"CHILD", parent);
  EXPECT_NE(viaParent, child);
  EXPECT_EQ(writes->RegSetValueExW(viaParent, u"V", kRegDword, Bytes{5, 0, 0, 0}.data(), 4),
            kErrorSuccess);
  EXPECT_EQ(QueryValue(os(), child, u"v"), (StoredValue{kRegDword, {5, 0, 0, 0}}));

  EXPECT_EQ(os().RegCloseKey(viaParent), kErrorSuccess);
  EXPECT_EQ(os().RegCloseKey(viaParent), kErrorInvalidHandle);
  std::u16string name;
  EXPECT_EQ(os().RegEnumValueW(viaParent, 0, 10240, &name), kErrorInvalidHandle);
  // Closing a root is harmless and leaves it usable.
  EXPECT_EQ(os().RegCloseKey(kHkeyCurrentUser), kErrorSuccess);
  EXPECT_EQ(ListSubkeys(os(), Open(os(), scratch)), Names{u"Child"});
}

TEST_P(PlatformContract, CreateMakesParentsAndReadsSeeWritesBeforeCommit) {
  const std::u16string scratch = harness().ScratchKey();
  const auto writes = BeginWrites(os());
  ASSERT_TRUE(writes);
  const RegKey deep = Create(os(), *writes, scratch + u"\\A\\B\\C");
  EXPECT_EQ(writes->RegSetValueExW(deep, u"", kRegSz, Utf16Bytes(u"d").data(), 4), kErrorSuccess);

  EXPECT_EQ(ListSubkeys(os(), Open(os(), scratch + u"\\A")), Names{u"B"});
  EXPECT_EQ(ListSubkeys(os(), Open(os(), scratch + u"\\a\\b")), Names{u"C"});
  EXPECT_EQ(ListValues(os(), deep), Names{u""});
  EXPECT_EQ(QueryValue(os(), Open(os(), scratch + u"\\A\\B\\C"), u""),
            (StoredValue{kRegSz, Utf16Bytes(u"d")}));

  Commit(*writes);
  EXPECT_EQ(ListSubkeys(os(), Open(os(), scratch + u"\\A\\B")), Names{u"C"});
}

TEST_P(PlatformContract, NamesMatchWithoutRegardToCaseBeforeAndAfterCommit) {
  const std::u16string scratch = harness().ScratchKey();
  const auto writes = BeginWrites(os());
  ASSERT_TRUE(writes);
  Create(os(), *writes, scratch + u"\\Software\\Ünïcødé\\Ключ\\Λέξη");
  const RegKey key = Open(os(), scratch + u"\\software\\ÜNÏCØDÉ\\КЛЮЧ\\ΛΈΞΗ");
  EXPECT_EQ(writes->RegSetValueExW(key, u"Name", kRegDword, Bytes{1, 0, 0, 0}.data(), 4),
            kErrorSuccess);
  EXPECT_EQ(writes->RegSetValueExW(key, u"NAME", kRegDword, Bytes{2, 0, 0, 0}.data(), 4),
            kErrorSuccess);
  for (int pass = 0; pass < 2; ++pass) {
    EXPECT_EQ(ListSubkeys(os(), Open(os(), scratch + u"\\SOFTWARE")), Names{u"Ünïcødé"});
    EXPECT_EQ(ListValues(os(), key), Names{u"Name"});
    EXPECT_EQ(QueryValue(os(), key, u"nAmE"), (StoredValue{kRegDword, {2, 0, 0, 0}}));
    Commit(*writes);
  }
  // Creating with other case adds no sibling.
  Create(os(), *writes, scratch + u"\\SOFTWARE\\ünïcødé\\ключ");
  EXPECT_EQ(ListSubkeys(os(), Open(os(), scratch + u"\\Software")), Names{u"Ünïcødé"});
}

TEST_P(PlatformContract, SmallBuffersGiveMoreDataAndTheNeededSize) {
  const std::u16string scratch = harness().ScratchKey();
  const auto writes = BeginWrites(os());
  ASSERT_TRUE(writes);
  const RegKey key = Create(os(), *writes, scratch + u"\\Four");
  const Bytes data = Utf16Bytes(u"abc");  // 8 bytes
  ASSERT_EQ(writes->RegSetValueExW(key, u"Name", kRegSz, data.data(), 8), kErrorSuccess);

  std::u16string name = u"unchanged";
  EXPECT_EQ(os().RegEnumValueW(key, 0, 4, &name), kErrorMoreData);  // 4 units + terminator
  EXPECT_EQ(os().RegEnumValueW(key, 0, 5, &name), kErrorSuccess);
  EXPECT_EQ(name, u"Name");
  const RegKey parent = Open(os(), scratch);
  EXPECT_EQ(os().RegEnumKeyExW(parent, 0, 4, &name), kErrorMoreData);
  EXPECT_EQ(os().RegEnumKeyExW(parent, 0, 5, &name), kErrorSuccess);

  std::uint32_t type = 0;
  std::uint32_t size = 7;
  std::uint8_t buffer[8] = {};
  EXPECT_EQ(os().RegQueryValueExW(key, u"Name", &type, buffer, &size), kErrorMoreData);
  EXPECT_EQ(size, 8u);
  EXPECT_EQ(os().RegQueryValueExW(key, u"Name", &type, buffer, &size), kErrorSuccess);
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(Bytes(buffer, buffer + 8), data);
  EXPECT_EQ(os().RegQueryValueExW(key, u"Missing", &type, nullptr, &size), kErrorFileNotFound);
}

}  // namespace
}  // namespace qv::test
