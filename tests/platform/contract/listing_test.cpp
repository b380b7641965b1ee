// Folder listings as the backup walks them: every entry, dot entries first, links
// never taken for folders, and failures rather than partial answers.
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/platform/contract/platform_harness.h"
#include "tests/platform/listing_entries.h"
#include "tests/support/temp_dir.h"

namespace qv::test {
namespace {

TEST_P(PlatformContract, ListingGivesDotEntriesFirstThenEverythingIncludingHiddenNames) {
  WriteFileBytes(Native("f/.hidden"), "h");
  WriteFileBytes(Native("f/..double"), "d");
  WriteFileBytes(Native("f/no-dot"), "n");
  std::filesystem::create_directories(Native("f/sub"));

  for (const std::u16string& pattern : {std::u16string(u"\\*.*"), std::u16string(u"/*")}) {
    const auto entries = ListAll(os(), Win("f") + pattern);
    ASSERT_EQ(entries.size(), 6u);
    EXPECT_EQ(entries[0], std::make_pair(std::u16string(u"."), true));
    EXPECT_EQ(entries[1], std::make_pair(std::u16string(u".."), true));
    const std::map<std::u16string, bool> expected = {
        {u".", true},       {u"..", true},       {u".hidden", false},
        {u"..double", false}, {u"no-dot", false}, {u"sub", true}};
    EXPECT_EQ(AsMap(entries), expected);
  }
}

TEST_P(PlatformContract, ListingFailsForMissingFoldersFilesAndOtherPatterns) {
  WriteFileBytes(Native("f/a.url"), "a");
  FindData found;
  EXPECT_EQ(os().FindFirstFileW(Win("missing") + u"\\*.*", &found), kInvalidHandle);
  EXPECT_EQ(os().FindFirstFileW(Win("f/a.url") + u"\\*.*", &found), kInvalidHandle);
  EXPECT_EQ(os().FindFirstFileW(Win("f") + u"\\*.url", &found), kInvalidHandle);
  EXPECT_FALSE(os().FindNextFileW(12345678, &found));
  EXPECT_FALSE(os().FindClose(12345678));
}

TEST_P(PlatformContract, LinksAreNeverListedAsFolders) {
  std::filesystem::create_directories(Native("f/real"));
  WriteFileBytes(Native("f/real/x.url"), "x");
  try {
    std::filesystem::create_directory_symlink("..", Native("f/real/loop"));
    std::filesystem::create_directory_symlink(Native("f/real"), Native("f/toDir"));
    std::filesystem::create_symlink(Native("f/real/x.url"), Native("f/toFile"));
    std::filesystem::create_symlink(Native("f/gone"), Native("f/dangling"));
  } catch (const std::filesystem::filesystem_error& error) {
    GTEST_SKIP() << "no symbolic links here (Windows gives them to the privileged): " << error.what();
  }

  const auto top = AsMap(ListAll(os(), Win("f") + u"\\*.*"));
  EXPECT_EQ(top.at(u"real"), true);
  EXPECT_EQ(top.at(u"toDir"), false);
  EXPECT_EQ(top.at(u"toFile"), false);
  EXPECT_EQ(top.at(u"dangling"), false);
  EXPECT_EQ(AsMap(ListAll(os(), Win("f/real") + u"\\*.*")).at(u"loop"), false);
}

}  // namespace
}  // namespace qv::test
