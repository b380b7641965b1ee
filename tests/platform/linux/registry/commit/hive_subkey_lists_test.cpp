// New subkeys must be findable by Windows: their parent's list sorted by upper-case
// UTF-16 name, with the hash (lh) or hint (lf) computed from that name. libhivex
// gets both right for ASCII names only. The list is read back here from the file's
// bytes, independently of the code that wrote it.
#include <gtest/gtest.h>
#include <hivex.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/linux/registry/hive_registry.h"
#include "platform/text/text.h"
#include "tests/support/hive_test_tools.h"
#include "tests/support/temp_dir.h"

namespace qv::test {
namespace {

struct ListEntry {
  std::u16string name;
  std::uint32_t stored = 0;  // hash or hint as found in the list
};

struct SubkeyList {
  char kind = 0;  // 'f' or 'h'
  std::vector<ListEntry> entries;
};

std::uint32_t Le32(const std::string& bytes, std::size_t at) {
  return static_cast<std::uint8_t>(bytes[at]) | (static_cast<std::uint8_t>(bytes[at + 1]) << 8) |
         (static_cast<std::uint8_t>(bytes[at + 2]) << 16) |
         (static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 3])) << 24);
}

// The subkey list of the key at `path` (one leaf list, as small keys have).
SubkeyList ReadSubkeyList(const std::filesystem::path& hivePath, const std::vector<std::string>& path) {
  hive_h* hive = hivex_open(hivePath.c_str(), 0);
  EXPECT_NE(hive, nullptr);
  hive_node_h node = hivex_root(hive);
  for (const std::string& name : path) node = hivex_node_get_child(hive, node, name.c_str());
  EXPECT_NE(node, 0u);
  hive_node_h* children = hivex_node_children(hive, node);
  std::vector<ListEntry> byCell;
  std::vector<hive_node_h> cells;
  for (hive_node_h* child = children; child && *child; ++child) {
    char* name = hivex_node_name(hive, *child);
    byCell.push_back({FromUtf8(name), 0});
    cells.push_back(*child);
    free(name);
  }
  free(children);
  hivex_close(hive);

  const std::string bytes = ReadFileBytes(hivePath);
  const std::uint32_t listCell = Le32(bytes, node + 4 + 28);
  const std::size_t list = 4096 + listCell + 4;
  SubkeyList result;
  result.kind = bytes[list + 1];
  const std::size_t count = static_cast<std::uint8_t>(bytes[list + 2]) | (bytes[list + 3] << 8);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t keyCell = Le32(bytes, list + 4 + 8 * i);
    for (std::size_t j = 0; j < cells.size(); ++j) {
      if (cells[j] == 4096 + keyCell) result.entries.push_back({byCell[j].name, Le32(bytes, list + 8 + 8 * i)});
    }
  }
  EXPECT_EQ(result.entries.size(), count);
  return result;
}

// Upper case as Windows has it, for the letters these tests use.
char16_t Upper(char16_t c) {
  if (c >= u'a' && c <= u'z') return c - 32;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;  // à..þ
  if (c >= 0x430 && c <= 0x44F) return c - 32;              // а..я
  return c;
}

std::u16string UpperName(std::u16string_view name) {
  std::u16string upper;
  for (char16_t c : name) upper.push_back(Upper(c));
  return upper;
}

std::uint32_t WindowsHash(std::u16string_view name) {
  std::uint32_t hash = 0;
  for (char16_t c : name) hash = 37 * hash + Upper(c);
  return hash;
}

std::uint32_t WindowsHint(std::u16string_view name) {
  std::uint32_t hint = 0;
  for (std::size_t i = 0; i < 4 && i < name.size(); ++i) hint |= (name[i] & 0xFFu) << (8 * i);
  return hint;
}

void ExpectWindowsOrder(const SubkeyList& list) {
  ASSERT_FALSE(list.entries.empty());
  for (std::size_t i = 1; i < list.entries.size(); ++i) {
    EXPECT_LT(UpperName(list.entries[i - 1].name), UpperName(list.entries[i].name))
        << ToUtf8(list.entries[i - 1].name) << " before " << ToUtf8(list.entries[i].name);
  }
  for (const ListEntry& entry : list.entries) {
    const std::uint32_t expected = list.kind == 'h' ? WindowsHash(entry.name) : WindowsHint(entry.name);
    EXPECT_EQ(entry.stored, expected) << ToUtf8(entry.name) << " in an l" << list.kind << " list";
  }
}

const std::vector<std::u16string> kNames = {u"\u00d6a", u"\u00e9b", u"\u042fa", u"\u0436b",
                                            u"_x", u"Main", u"\u00c9clair", u"zeta"};

void AddKeys(HiveRegistry& registry, std::u16string_view parent) {
  for (const std::u16string& name : kNames) {
    ASSERT_EQ(PutValue(registry, kHkeyCurrentUser, std::u16string(parent) + u"\\" + name, u"v",
                       kRegDword, Bytes{1, 0, 0, 0}),
              kErrorSuccess);
  }
  ASSERT_TRUE(registry.RegCommit(kHkeyCurrentUser).ok());
}

TEST(SubkeyLists, NewHiveListsFollowWindowsOrderAndHashes) {
  TempDir dir;
  HiveRegistry registry((dir / "NTUSER.DAT").string(), (dir / "classes.dat").string());
  AddKeys(registry, u"Software\\Test");
  const SubkeyList list = ReadSubkeyList(dir / "NTUSER.DAT", {"Software", "Test"});
  EXPECT_EQ(list.entries.size(), kNames.size());
  ExpectWindowsOrder(list);
  // A second commit that adds one more keeps the list right.
  ASSERT_EQ(PutValue(registry, kHkeyCurrentUser, u"Software\\Test\\\u00e0 la", u"v", kRegDword,
                     Bytes{2, 0, 0, 0}),
            kErrorSuccess);
  ASSERT_TRUE(registry.RegCommit(kHkeyCurrentUser).ok());
  ExpectWindowsOrder(ReadSubkeyList(dir / "NTUSER.DAT", {"Software", "Test"}));
}

TEST(SubkeyLists, RealHiveListsFollowWindowsOrderAndHints) {
  const auto shared = SharedNtuserDat();
  if (!shared) GTEST_SKIP() << "the shared NTUSER.DAT is not there";
  TempDir dir;
  std::filesystem::copy_file(*shared, dir / "NTUSER.DAT");
  HiveRegistry registry((dir / "NTUSER.DAT").string(), (dir / "classes.dat").string());
  AddKeys(registry, u"Software\\Microsoft\\Internet Explorer");
  const SubkeyList list =
      ReadSubkeyList(dir / "NTUSER.DAT", {"Software", "Microsoft", "Internet Explorer"});
  EXPECT_GT(list.entries.size(), kNames.size()) << "the keys that were there stay";
  ExpectWindowsOrder(list);
}

}  // namespace
}  // namespace qv::test
