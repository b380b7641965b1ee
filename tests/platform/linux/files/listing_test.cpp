#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/platform/platform_on_temp_profile.h"

namespace qv {
namespace {

using test::PlatformOnTempProfile;

// Every entry of one listing, in order, as name -> bDirectory pairs.
std::vector<std::pair<std::u16string, bool>> ListAll(Platform& os, const std::u16string& search) {
  std::vector<std::pair<std::u16string, bool>> entries;
  FindData found;
  const FindHandle find = os.FindFirstFileW(search, &found);
  if (find == kInvalidHandle) return entries;
  do {
    entries.emplace_back(found.strName, found.bDirectory);
  } while (os.FindNextFileW(find, &found));
  EXPECT_TRUE(os.FindClose(find));
  return entries;
}

std::map<std::u16string, bool> AsMap(const std::vector<std::pair<std::u16string, bool>>& list) {
  return {list.begin(), list.end()};
}

TEST(Listing, GivesDotEntriesFirstThenEverythingIncludingHiddenNames) {
  PlatformOnTempProfile fixture;
  test::WriteFileBytes(fixture.Native("f/.hidden"), "h");
  test::WriteFileBytes(fixture.Native("f/..double"), "d");
  test::WriteFileBytes(fixture.Native("f/no-dot"), "n");
  std::filesystem::create_directories(fixture.Native("f/sub"));

  for (const std::u16string& pattern : {std::u16string(u"\\*.*"), std::u16string(u"/*")}) {
    const auto entries = ListAll(fixture.os(), fixture.Win("f") + pattern);
    ASSERT_EQ(entries.size(), 6u);
    EXPECT_EQ(entries[0], std::make_pair(std::u16string(u"."), true));
    EXPECT_EQ(entries[1], std::make_pair(std::u16string(u".."), true));
    const std::map<std::u16string, bool> expected = {
        {u".", true},       {u"..", true},       {u".hidden", false},
        {u"..double", false}, {u"no-dot", false}, {u"sub", true}};
    EXPECT_EQ(AsMap(entries), expected);
  }
}

TEST(Listing, FailsForMissingFoldersFilesAndOtherPatterns) {
  PlatformOnTempProfile fixture;
  test::WriteFileBytes(fixture.Native("f/a.url"), "a");
  FindData found;
  EXPECT_EQ(fixture.os().FindFirstFileW(fixture.Win("missing") + u"\\*.*", &found), kInvalidHandle);
  EXPECT_EQ(fixture.os().FindFirstFileW(fixture.Win("f/a.url") + u"\\*.*", &found), kInvalidHandle);
  EXPECT_EQ(fixture.os().FindFirstFileW(fixture.Win("f") + u"\\*.url", &found), kInvalidHandle);
  EXPECT_FALSE(fixture.os().FindNextFileW(12345678, &found));
  EXPECT_FALSE(fixture.os().FindClose(12345678));
}

TEST(Listing, LinksAreNeverListedAsFolders) {
  PlatformOnTempProfile fixture;
  std::filesystem::create_directories(fixture.Native("f/real"));
  test::WriteFileBytes(fixture.Native("f/real/x.url"), "x");
  std::filesystem::create_directory_symlink("..", fixture.Native("f/real/loop"));
  std::filesystem::create_directory_symlink(fixture.Native("f/real"), fixture.Native("f/toDir"));
  std::filesystem::create_symlink(fixture.Native("f/real/x.url"), fixture.Native("f/toFile"));
  std::filesystem::create_symlink(fixture.Native("f/gone"), fixture.Native("f/dangling"));

  const auto top = AsMap(ListAll(fixture.os(), fixture.Win("f") + u"\\*.*"));
  EXPECT_EQ(top.at(u"real"), true);
  EXPECT_EQ(top.at(u"toDir"), false);
  EXPECT_EQ(top.at(u"toFile"), false);
  EXPECT_EQ(top.at(u"dangling"), false);
  EXPECT_EQ(AsMap(ListAll(fixture.os(), fixture.Win("f/real") + u"\\*.*")).at(u"loop"), false);

  // A link to a file reads as the file; a dangling link or one to a folder does not open.
  Platform& os = fixture.os();
  const FileHandle linked = os.CreateFileW(fixture.Win("f/toFile"), kGenericRead, kFileShareRead,
                                           kOpenExisting);
  ASSERT_NE(linked, kInvalidHandle);
  EXPECT_TRUE(os.CloseHandle(linked));
  EXPECT_EQ(os.CreateFileW(fixture.Win("f/toDir"), kGenericRead, kFileShareRead, kOpenExisting),
            kInvalidHandle);
  EXPECT_EQ(os.CreateFileW(fixture.Win("f/dangling"), kGenericRead, 0, kOpenExisting),
            kInvalidHandle);
}

TEST(Listing, NamesTheWindowsFormCannotHoldAreSkippedAndReported) {
  PlatformOnTempProfile fixture;
  Platform& os = fixture.os();
  (void)os.TakeSkippedEntries();
  test::WriteFileBytes(fixture.Native("f/back\\slash.url"), "b");
  test::WriteFileBytes(fixture.Native("f/latin1-\xE9.url"), "l");
  test::WriteFileBytes(fixture.Native("f/fine.url"), "f");

  const auto entries = AsMap(ListAll(os, fixture.Win("f") + u"\\*.*"));
  EXPECT_EQ(entries.size(), 3u);
  EXPECT_TRUE(entries.count(u"fine.url"));

  std::vector<SkippedEntry> skipped = os.TakeSkippedEntries();
  ASSERT_EQ(skipped.size(), 2u);
  std::map<std::string, std::string> reasons;
  for (const SkippedEntry& entry : skipped) reasons[entry.strNativePath] = entry.strReason;
  EXPECT_NE(reasons.at(fixture.Native("f/back\\slash.url").string()).find("backslash"),
            std::string::npos);
  EXPECT_NE(reasons.at(fixture.Native("f/latin1-\xE9.url").string()).find("UTF-8"),
            std::string::npos);
  EXPECT_TRUE(os.TakeSkippedEntries().empty());
}

TEST(Listing, FullPathsOf259UnitsAreListedAnd260AreSkipped) {
  PlatformOnTempProfile fixture;
  Platform& os = fixture.os();
  (void)os.TakeSkippedEntries();
  std::filesystem::create_directories(fixture.Native("f"));
  const std::u16string folder = fixture.Win("f");
  // The name after "<folder>\" takes the rest; U+00E9 is one unit but two bytes,
  // so the limit counts UTF-16 units, not bytes.
  const std::size_t room = kMaxPathUnits - folder.size() - 1;
  constexpr std::size_t kTwoByteChars = 10;
  ASSERT_TRUE(room > kTwoByteChars && room + kTwoByteChars < 255) << "unusual temporary folder";
  std::string fits;
  for (std::size_t i = 0; i < kTwoByteChars; ++i) fits += "\xC3\xA9";
  fits += std::string(room - kTwoByteChars, 'a');
  const std::string tooLong = fits + "x";
  test::WriteFileBytes(fixture.Native("f/" + fits), "");
  test::WriteFileBytes(fixture.Native("f/" + tooLong), "");

  const auto entries = AsMap(ListAll(os, folder + u"\\*"));
  EXPECT_EQ(entries.size(), 3u);
  EXPECT_TRUE(entries.count(FromUtf8(fits)));
  const std::vector<SkippedEntry> skipped = os.TakeSkippedEntries();
  ASSERT_EQ(skipped.size(), 1u);
  EXPECT_EQ(skipped[0].strNativePath, fixture.Native("f/" + tooLong).string());
  EXPECT_NE(skipped[0].strReason.find("260"), std::string::npos);
}

}  // namespace
}  // namespace qv
