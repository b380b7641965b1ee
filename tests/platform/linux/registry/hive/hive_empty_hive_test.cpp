// The empty hive we write ourselves must be a hive that libhivex and the hivex
// tools accept and can grow, since every missing hive starts from it.
#include <hivex.h>

#include <gtest/gtest.h>

#include "platform/coding.h"
#include "platform/linux/registry/hive/empty_hive.h"
#include "platform/linux/registry/hive/hive_header.h"
#include "platform/linux/registry/hive_registry.h"
#include "tests/support/hive_test_tools.h"
#include "tests/support/temp_dir.h"

namespace qv {
namespace {

using test::Bytes;

void WriteHive(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  test::WriteFileBytes(path, std::string(bytes.begin(), bytes.end()));
}

TEST(EmptyHive, BaseBlockIsCleanVersionOneThreeWithValidChecksum) {
  const std::vector<std::uint8_t> hive = MakeEmptyHive(CurrentFileTime());
  ASSERT_EQ(hive.size(), 8192u);
  const std::uint8_t* base = hive.data();
  EXPECT_EQ(std::string(base, base + 4), "regf");
  EXPECT_EQ(DecodeFixed32(base + kHivePrimarySequenceOffset), DecodeFixed32(base + kHiveSecondarySequenceOffset));
  EXPECT_EQ(DecodeFixed32(base + kHiveMajorVersionOffset), 1u);
  EXPECT_EQ(DecodeFixed32(base + kHiveMinorVersionOffset), 3u);
  EXPECT_EQ(DecodeFixed32(base + kHiveBinsDataSizeOffset), 4096u);
  EXPECT_EQ(DecodeFixed32(base + kHiveChecksumOffset), HiveHeaderChecksum(base));
  EXPECT_EQ(std::string(base + 4096, base + 4100), "hbin");
}

TEST(EmptyHive, LibhivexOpensItAndCanAddKeysAndValues) {
  test::TempDir dir;
  const std::string path = (dir / "empty.dat").string();
  WriteHive(path, MakeEmptyHive(CurrentFileTime()));

  hive_h* hive = hivex_open(path.c_str(), HIVEX_OPEN_WRITE);
  ASSERT_NE(hive, nullptr);
  const hive_node_h root = hivex_root(hive);
  EXPECT_EQ(hivex_node_nr_children(hive, root), 0u);
  EXPECT_EQ(hivex_node_nr_values(hive, root), 0u);
  // Adding a key copies the parent's security cell, so this proves that cell.
  const hive_node_h child = hivex_node_add_child(hive, root, "Child");
  ASSERT_NE(child, 0u);
  char name[] = "Answer";
  char data[] = {42, 0, 0, 0};
  hive_set_value value{name, hive_t_REG_DWORD, sizeof data, data};
  ASSERT_EQ(hivex_node_set_values(hive, child, 1, &value, 0), 0);
  ASSERT_EQ(hivex_commit(hive, path.c_str(), 0), 0);
  hivex_close(hive);

  hive = hivex_open(path.c_str(), 0);
  ASSERT_NE(hive, nullptr);
  const hive_node_h reopened = hivex_node_get_child(hive, hivex_root(hive), "Child");
  ASSERT_NE(reopened, 0u);
  const hive_value_h answer = hivex_node_get_value(hive, reopened, "Answer");
  ASSERT_NE(answer, 0u);
  EXPECT_EQ(hivex_value_dword(hive, answer), 42);
  hivex_close(hive);
}

TEST(EmptyHive, HivexToolsReadItAndWhatWeCommitIntoIt) {
  if (!test::ToolInstalled("hivexsh") || !test::ToolInstalled("hivexregedit")) {
    GTEST_SKIP() << "hivexsh or hivexregedit is not installed";
  }
  test::TempDir dir;
  const std::string fresh = (dir / "fresh.dat").string();
  WriteHive(fresh, MakeEmptyHive(CurrentFileTime()));
  const test::ToolRun shell = test::RunTool("hivexsh -w '" + fresh + "'", "ls\nlsval\ncommit\n");
  EXPECT_EQ(shell.exitCode, 0) << shell.output;

  // A hive that did not exist: the first commit creates it from our empty hive.
  const std::string created = (dir / "profile" / "NTUSER.DAT").string();
  {
    HiveRegistry registry(created, (dir / "classes.dat").string());
    ASSERT_EQ(test::PutValue(registry, kHkeyCurrentUser, u"Software\\Made Here", u"Greeting",
                             kRegSz, test::Utf16Bytes(u"hello")),
              kErrorSuccess);
    ASSERT_TRUE(registry.RegCommit(kHkeyCurrentUser).ok());
  }
  const test::ToolRun listing =
      test::RunTool("hivexsh '" + created + "'", "cd Software\\Made Here\nlsval\n");
  EXPECT_EQ(listing.exitCode, 0) << listing.output;
  EXPECT_NE(listing.output.find("\"Greeting\"=\"hello\""), std::string::npos) << listing.output;
  const test::ToolRun exported = test::RunTool("hivexregedit --export '" + created + "' '\\'");
  EXPECT_EQ(exported.exitCode, 0) << exported.output;
  EXPECT_NE(exported.output.find("[\\Software\\Made Here]"), std::string::npos) << exported.output;
}

}  // namespace
}  // namespace qv
