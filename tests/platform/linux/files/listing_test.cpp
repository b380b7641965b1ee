// What only the Linux platform's listings meet: links that the kernel follows on
// open, and native names the Windows form cannot hold.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/platform/contract/linux_harness.h"
#include "tests/platform/listing_entries.h"

namespace qv {
namespace {

using test::AsMap;
using test::LinuxHarness;
using test::ListAll;

TEST(Listing, LinksOpenAsWhatTheyPointTo) {
  LinuxHarness fixture;
  Platform& os = fixture.os();
  std::filesystem::create_directories(fixture.Native("f/real"));
  test::WriteFileBytes(fixture.Native("f/real/x.url"), "x");
  std::filesystem::create_directory_symlink(fixture.Native("f/real"), fixture.Native("f/toDir"));
  std::filesystem::create_symlink(fixture.Native("f/real/x.url"), fixture.Native("f/toFile"));
  std::filesystem::create_symlink(fixture.Native("f/gone"), fixture.Native("f/dangling"));

  // A link to a file reads as the file; a dangling link or one to a folder does not open.
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
  LinuxHarness fixture;
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
  LinuxHarness fixture;
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
