// The IE Settings source: walk order, the records of keys and values, and a real
// Windows hive.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "jobs/backup_items.h"
#include "platform/text/text.h"
#include "sources/ie_settings/ie_settings_builder.h"
#include "store/writer/backup_item_walk.h"
#include "tests/support/archive_parser.h"
#include "tests/support/profile_fixture.h"

namespace qv::test {
namespace {

const std::u16string kIe = kIeKey;

class IESettingsSourceTest : public ::testing::Test {
 protected:
  std::vector<std::u16string> WalkedPaths() {
    NodeList<RegNode> nodes;
    std::vector<SkippedSource> skipped;
    WalkNodes(IESettingsBuilder::MakeRoot(), nodes, skipped);
    std::vector<std::u16string> paths;
    for (const RegNode& node : nodes) {
      std::u16string path = TextFieldValue(node.subkey).substr(kIe.size());
      paths.push_back(node.isKey ? path + u"\\" : path + u":" + TextFieldValue(node.valueName));
    }
    return paths;
  }

  ParsedArchive BackUpSettings(StoreReport* reportOut = nullptr) {
    const auto file = profile.Scratch("ie.qvl");
    WriteFileBytes(file, std::string(116, '\0'));
    BackupRequest request;
    request.strArchivePath = profile.WindowsPath(file);
    StoreReport report;
    (void)MakeBackupItems(0, WM_JOB_PROGRESS)[1]->Backup(request, report);
    EXPECT_FALSE(report.Failed()) << report.strFirstFailure;
    if (reportOut) *reportOut = report;
    return ParseArchive(ReadFileBytes(file));
  }

  ProfileFixture profile;
};

TEST_F(IESettingsSourceTest, WalkListsSubkeysThenValuesThenDescends) {
  profile.SetValue(kIe, u"x", kRegSz, Utf16Bytes(u"x"));
  profile.SetValue(kIe, u"y", kRegSz, Utf16Bytes(u"y"));
  profile.SetValue(kIe + u"\\A", u"a", kRegSz, Utf16Bytes(u"a"));
  profile.SetValue(kIe + u"\\B\\C", u"c", kRegSz, Utf16Bytes(u"c"));
  EXPECT_EQ(WalkedPaths(), (std::vector<std::u16string>{u"\\A\\", u"\\B\\", u":x", u":y",
                                                        u"\\A:a", u"\\B\\C\\", u"\\B\\C:c"}));

  const ParsedArchive parsed = BackUpSettings();
  ASSERT_TRUE(parsed.ok);
  std::vector<std::u16string> values;
  for (const ParsedRecord& record : parsed.records) {
    EXPECT_EQ(record.kind, 2u);
    EXPECT_EQ(record.root, 0x80000001u);
    values.push_back(record.valueName);
  }
  EXPECT_EQ(values, (std::vector<std::u16string>{u"x", u"y", u"a", u"c"}));
  EXPECT_EQ(parsed.records[3].subkey, kIe + u"\\B\\C");
}

TEST_F(IESettingsSourceTest, UnnamedValueIsStoredTwiceAndTheRootsOnce) {
  profile.SetValue(kIe, u"", kRegSz, Utf16Bytes(u"root default"));
  profile.SetValue(kIe + u"\\Sub", u"", kRegSz, Utf16Bytes(u"sub default"));
  profile.SetValue(kIe + u"\\Sub", u"named", kRegDword, std::string("\x01\x00\x00\x00", 4));

  const ParsedArchive parsed = BackUpSettings();
  ASSERT_TRUE(parsed.ok);
  std::map<std::u16string, int> unnamed;
  for (const ParsedRecord& record : parsed.records) {
    if (!record.valueName.empty()) continue;
    ++unnamed[record.subkey];
    EXPECT_EQ(DecodeRecord(record), Utf16Bytes(record.subkey == kIe ? u"root default" : u"sub default"));
  }
  EXPECT_EQ(unnamed[kIe], 1);
  EXPECT_EQ(unnamed[kIe + u"\\Sub"], 2);
  // The size counts it once.
  EXPECT_EQ(MakeBackupItems(0, WM_JOB_PROGRESS)[1]->GetSize(), 24u + 22u + 4u);
}

TEST_F(IESettingsSourceTest, TypesEmptyValuesAndLargeValues) {
  const std::map<std::u16string, std::pair<std::uint32_t, std::string>> values = {
      {u"sz", {kRegSz, Utf16Bytes(u"text") + std::string(2, '\0')}},
      {u"expand", {kRegExpandSz, Utf16Bytes(u"%TEMP%") + std::string(2, '\0')}},
      {u"binary", {kRegBinary, Bytes(300)}},
      {u"dword", {kRegDword, std::string("\x2a\0\0\0", 4)}},
      {u"multi", {kRegMultiSz, Utf16Bytes(u"a") + std::string(2, '\0') + Utf16Bytes(u"b") + std::string(4, '\0')}},
      {u"qword", {kRegQword, std::string(8, '\x07')}},
      {u"none", {kRegNone, ""}},
      {u"empty", {kRegBinary, ""}}};
  for (const auto& [name, typed] : values) profile.SetValue(kIe, name, typed.first, typed.second);

  const ParsedArchive parsed = BackUpSettings();
  ASSERT_TRUE(parsed.ok);
  ASSERT_EQ(parsed.records.size(), values.size());
  for (const ParsedRecord& record : parsed.records) {
    const auto& [type, data] = values.at(record.valueName);
    EXPECT_EQ(record.type, type);
    EXPECT_EQ(DecodeRecord(record), data);
    if (data.empty()) {
      EXPECT_TRUE(record.payloads.empty());
      EXPECT_EQ(record.size, 1064u);
    }
  }
}

TEST_F(IESettingsSourceTest, AValueOf250000BytesGivesThreeBlocks) {
  const std::string big = Bytes(250000, 11);
  try {
    profile.SetValue(kIe, u"big", kRegBinary, big);
  } catch (const std::exception& e) {
    GTEST_SKIP() << "the hive refuses a value this large: " << e.what();
  }
  const ParsedArchive parsed = BackUpSettings();
  ASSERT_TRUE(parsed.ok);
  ASSERT_EQ(parsed.records.size(), 1u);
  const auto& payloads = parsed.records[0].payloads;
  ASSERT_EQ(payloads.size(), 3u);
  EXPECT_EQ(payloads[0].size(), 102400u);
  EXPECT_EQ(payloads[1].size(), 102400u);
  EXPECT_EQ(payloads[2].size(), 45200u);
  EXPECT_EQ(payloads[0] + payloads[1] + payloads[2], big);
}

TEST_F(IESettingsSourceTest, NamesLongerThanTheFieldsAreSkippedAndReported) {
  const std::u16string longName(260, u'v');
  const std::u16string longKey = kIe + u"\\" + std::u16string(259 - kIe.size(), u'k');
  profile.SetValue(kIe, longName, kRegSz, Utf16Bytes(u"x"));
  profile.SetValue(kIe, std::u16string(259, u'w'), kRegSz, Utf16Bytes(u"fits"));
  profile.SetValue(longKey, u"inside", kRegSz, Utf16Bytes(u"x"));

  StoreReport report;
  const ParsedArchive parsed = BackUpSettings(&report);
  ASSERT_TRUE(parsed.ok);
  ASSERT_EQ(parsed.records.size(), 1u);
  EXPECT_EQ(parsed.records[0].valueName.size(), 259u);
  ASSERT_EQ(report.skipped.size(), 2u);
  for (const SkippedSource& entry : report.skipped) EXPECT_NE(entry.strReason.find("259"), std::string::npos);
}

// Every value under the IE key of a real Windows hive, read independently through
// the platform, must appear as a record with its type and bytes.
TEST_F(IESettingsSourceTest, RealHiveValuesAllBecomeRecords) {
  if (!profile.UseSharedHive()) GTEST_SKIP() << "shared NTUSER.DAT is absent";
  Platform& os = profile.platform();
  struct Value {
    std::u16string key, name;
    std::uint32_t type;
    std::string data;
  };
  std::vector<Value> expected;
  std::function<void(const std::u16string&)> collect = [&](const std::u16string& path) {
    RegKey key = 0;
    if (os.RegOpenKeyExW(kHkeyCurrentUser, path, kKeyRead, &key) != kErrorSuccess) return;
    std::vector<std::u16string> subkeys;
    std::u16string name;
    for (std::uint32_t i = 0; os.RegEnumKeyExW(key, i, 10240, &name) == kErrorSuccess; ++i) {
      subkeys.push_back(name);
    }
    for (std::uint32_t i = 0; os.RegEnumValueW(key, i, 10240, &name) == kErrorSuccess; ++i) {
      std::uint32_t size = 0, type = 0;
      ASSERT_EQ(os.RegQueryValueExW(key, name, nullptr, nullptr, &size), kErrorSuccess);
      std::string data(size + 1, '\0');
      ASSERT_EQ(os.RegQueryValueExW(key, name, &type, reinterpret_cast<std::uint8_t*>(data.data()), &size),
                kErrorSuccess);
      data.resize(size);
      expected.push_back({path, name, type, data});
    }
    (void)os.RegCloseKey(key);
    for (const auto& subkey : subkeys) collect(path + u"\\" + subkey);
  };
  collect(kIe);
  ASSERT_FALSE(expected.empty());

  for (const bool compress : {false, true}) {
    const auto file = profile.Scratch("ie.qvl");
    WriteFileBytes(file, std::string(116, '\0'));
    BackupRequest request;
    request.strArchivePath = profile.WindowsPath(file);
    request.bCompress = compress;
    request.bProtect = true;
    request.strPassword = u"hive-password";
    StoreReport report;
    (void)MakeBackupItems(0, WM_JOB_PROGRESS)[1]->Backup(request, report);
    ASSERT_FALSE(report.Failed());
    const ParsedArchive parsed = ParseArchive(ReadFileBytes(file));
    ASSERT_TRUE(parsed.ok) << parsed.error;

    // Every record is one of the listed values; each value has one record, and
    // an unnamed value below the root a second one, through its key's node.
    std::map<std::pair<std::u16string, std::u16string>, int> seen;
    for (const ParsedRecord& record : parsed.records) {
      const auto found = std::find_if(expected.begin(), expected.end(), [&](const Value& v) {
        return v.key == record.subkey && v.name == record.valueName;
      });
      ASSERT_NE(found, expected.end()) << ToUtf8(record.subkey) << " " << ToUtf8(record.valueName);
      EXPECT_EQ(record.type, found->type);
      EXPECT_EQ(DecodeRecord(record, u"hive-password"), found->data);
      ++seen[{record.subkey, record.valueName}];
    }
    for (const Value& value : expected) {
      const int copies = value.name.empty() && value.key != kIe ? 2 : 1;
      EXPECT_EQ((seen[{value.key, value.name}]), copies) << ToUtf8(value.key) << " " << ToUtf8(value.name);
    }
    EXPECT_EQ(report.nRecords, parsed.records.size());
  }
}

}  // namespace
}  // namespace qv::test
