// A real Windows NTUSER.DAT, read in place and written only as a temporary copy,
// checked against hivexregedit as an independent reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>

#include "platform/shared/last_error.h"
#include "platform/linux/registry/hive_registry.h"
#include "tests/support/hive_test_tools.h"
#include "tests/support/temp_dir.h"

namespace qv {
namespace {

using test::Bytes;
constexpr char16_t kIeKey[] = u"Software\\Microsoft\\Internet Explorer";

std::set<std::string> ExportLines(const std::string& hive, const std::string& key) {
  const test::ToolRun run = test::RunTool("hivexregedit --export '" + hive + "' '" + key + "'");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  std::set<std::string> lines;
  std::istringstream in(run.output);
  for (std::string line; std::getline(in, line);) lines.insert(line);
  return lines;
}

// Every key and value below `key`, counted the way the settings source walks them.
void Walk(HiveRegistry& registry, RegKey key, int* keys, int* values) {
  for (const std::u16string& name : test::ListValues(registry, key)) {
    ASSERT_TRUE(test::QueryValue(registry, key, name).has_value());
    ++*values;
  }
  for (const std::u16string& name : test::ListSubkeys(registry, key)) {
    RegKey child = 0;
    ASSERT_EQ(registry.RegOpenKeyExW(key, name, kKeyAllAccess, &child), kErrorSuccess);
    ++*keys;
    Walk(registry, child, keys, values);
    registry.RegCloseKey(child);
  }
}

class RealNtuser : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto shared = test::SharedNtuserDat();
    if (!shared) GTEST_SKIP() << "the shared NTUSER.DAT is not in " QUORVEL_SHARED_DATA_DIR;
    m_strShared = shared->string();
  }
  std::string m_strShared;
  test::TempDir m_dir;
};

TEST_F(RealNtuser, ReadsTheInternetExplorerTreeInPlace) {
  const std::string before = test::ReadFileBytes(m_strShared);
  HiveRegistry registry(m_strShared, (m_dir / "classes.dat").string());
  EXPECT_TRUE(registry.RegCheckWritable(kHkeyCurrentUser).ok());
  RegKey ie = 0;
  ASSERT_EQ(registry.RegOpenKeyExW(kHkeyCurrentUser, u"software\\microsoft\\INTERNET EXPLORER",
                                   kKeyAllAccess, &ie),
            kErrorSuccess)
      << LastErrorTextOfThread();
  int keys = 0;
  int values = 0;
  Walk(registry, ie, &keys, &values);
  EXPECT_GT(keys, 10);
  EXPECT_GT(values, 10);

  RegKey emulation = 0;
  ASSERT_EQ(registry.RegOpenKeyExW(ie, u"BrowserEmulation", kKeyRead, &emulation), kErrorSuccess);
  EXPECT_EQ(test::QueryValue(registry, emulation, u"CVListTTL"),
            (test::StoredValue{kRegDword, {1, 0, 0, 0}}));
  RegKey work = 0;
  ASSERT_EQ(registry.RegOpenKeyExW(ie, u"Desktop\\Old WorkAreas", kKeyRead, &work), kErrorSuccess);
  EXPECT_EQ(test::QueryValue(registry, work, u"OldWorkAreaRects"),
            (test::StoredValue{kRegBinary, {0, 0, 0, 0, 0, 0, 0, 0, 0x80, 7, 0, 0, 0xe9, 3, 0, 0}}));

  if (test::ToolInstalled("hivexregedit")) {
    const std::set<std::string> exported = ExportLines(m_strShared, "\\Software\\Microsoft\\Internet Explorer");
    EXPECT_TRUE(exported.count("\"CVListTTL\"=dword:00000001"));
    EXPECT_EQ(static_cast<int>(std::count_if(exported.begin(), exported.end(), [](const std::string& l) {
                return !l.empty() && l[0] == '[';
              })),
              keys + 1);
  }
  EXPECT_EQ(test::ReadFileBytes(m_strShared), before);
}

TEST_F(RealNtuser, WritesIntoACopyChangeOnlyWhatWasWritten) {
  if (!test::ToolInstalled("hivexregedit")) GTEST_SKIP() << "hivexregedit is not installed";
  const std::string copy = (m_dir / "NTUSER.DAT").string();
  std::filesystem::copy_file(m_strShared, copy);
  std::filesystem::permissions(copy, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  const std::set<std::string> before = ExportLines(copy, "\\");
  {
    HiveRegistry registry(copy, (m_dir / "classes.dat").string());
    ASSERT_EQ(test::PutValue(registry, kHkeyCurrentUser, std::u16string(kIeKey) + u"\\BrowserEmulation",
                             u"cvlistttl", kRegDword, {2, 0, 0, 0}),
              kErrorSuccess);
    ASSERT_EQ(test::PutValue(registry, kHkeyCurrentUser, std::u16string(kIeKey) + u"\\Quorvel\\Ünïcødé",
                             u"Größe", kRegSz, test::Utf16Bytes(u"ok")),
              kErrorSuccess);
    const Status committed = registry.RegCommit(kHkeyCurrentUser);
    ASSERT_TRUE(committed.ok()) << committed.message();
  }
  HiveRegistry fresh(copy, (m_dir / "classes.dat").string());
  RegKey key = 0;
  ASSERT_EQ(fresh.RegOpenKeyExW(kHkeyCurrentUser, std::u16string(kIeKey) + u"\\QUORVEL\\ünïcødé",
                                kKeyRead, &key),
            kErrorSuccess);
  EXPECT_EQ(test::QueryValue(fresh, key, u"GRÖSSE"), std::nullopt);  // no ß folding, as Windows
  EXPECT_EQ(test::QueryValue(fresh, key, u"größe"), (test::StoredValue{kRegSz, test::Utf16Bytes(u"ok")}));

  const std::set<std::string> after = ExportLines(copy, "\\");
  std::vector<std::string> removed;
  std::vector<std::string> added;
  std::set_difference(before.begin(), before.end(), after.begin(), after.end(), std::back_inserter(removed));
  std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(added));
  EXPECT_EQ(removed, std::vector<std::string>{"\"CVListTTL\"=dword:00000001"});
  // hivexregedit prints names in Latin-1 here: "Gr\xF6\xDFe" is "Größe".
  EXPECT_EQ(added, (std::vector<std::string>{
                       "\"CVListTTL\"=dword:00000002",
                       "\"Gr\xF6\xDF" "e\"=hex(1):6f,00,6b,00,00,00",
                       "[\\Software\\Microsoft\\Internet Explorer\\Quorvel\\\xDCn\xEF" "c\xF8" "d\xE9]",
                       "[\\Software\\Microsoft\\Internet Explorer\\Quorvel]",
                   }));
}

}  // namespace
}  // namespace qv
