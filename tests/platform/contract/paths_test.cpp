// Paths as the engine relates them to the profile: what lies within a folder,
// the profile's Favorites folder, and %USERPROFILE% both ways.
#include <filesystem>
#include <string>

#include "tests/platform/contract/platform_harness.h"

namespace qv::test {
namespace {

// A restore writes only below Favorites, whatever the archive's paths say.
class FavoritesBelowScratch {
 public:
  explicit FavoritesBelowScratch(PlatformHarness& harness)
      : m_os(harness.os()), m_strFavorites(harness.Win("profile/Favorites")) {
    std::filesystem::create_directories(harness.Native("profile/Favorites/Links"));
    std::filesystem::create_directories(harness.Native("outside"));
  }
  const std::u16string& Path() const { return m_strFavorites; }
  bool Within(const std::u16string& path) { return m_os.IsPathWithin(path, m_strFavorites); }

 private:
  Platform& m_os;
  std::u16string m_strFavorites;
};

TEST_P(PlatformContract, PlainPathsCompareByWholeComponents) {
  FavoritesBelowScratch favorites(harness());
  const std::u16string& path = favorites.Path();
  EXPECT_TRUE(favorites.Within(path));
  EXPECT_TRUE(favorites.Within(path + u"\\"));
  EXPECT_TRUE(favorites.Within(path + u"\\Links\\a.url"));
  EXPECT_TRUE(favorites.Within(path + u"\\new\\deeper\\b.url"));  // need not exist yet
  EXPECT_FALSE(favorites.Within(Win("profile/Favorites2/a.url")));
  EXPECT_FALSE(favorites.Within(Win("profile/NTUSER.DAT")));
  EXPECT_FALSE(favorites.Within(u"Z:\\etc\\passwd"));
  EXPECT_FALSE(favorites.Within(u"C:\\Users\\x\\Favorites\\a.url"));
  EXPECT_FALSE(favorites.Within(u"Favorites\\a.url"));
}

TEST_P(PlatformContract, DotDotIsResolvedBeforeComparing) {
  FavoritesBelowScratch favorites(harness());
  const std::u16string& path = favorites.Path();
  EXPECT_TRUE(favorites.Within(path + u"\\Links\\..\\a.url"));
  EXPECT_TRUE(favorites.Within(path + u"\\.\\Links\\.\\a.url"));
  EXPECT_FALSE(favorites.Within(path + u"\\..\\NTUSER.DAT"));
  EXPECT_FALSE(favorites.Within(path + u"\\Links\\..\\..\\..\\outside\\x"));
  EXPECT_FALSE(favorites.Within(path + u"\\missing\\..\\..\\x"));
  EXPECT_TRUE(favorites.Within(path + u"\\missing\\..\\Links\\x"));
}

TEST_P(PlatformContract, FavoritesFolderIsCreatedBelowTheProfile) {
  std::u16string path;
  ASSERT_TRUE(os().SHGetSpecialFolderPathW(kCsidlFavorites, true, &path));
  EXPECT_EQ(path, harness().ProfileFolder() + u"\\Favorites");
  EXPECT_EQ(os().GetFileAttributesW(path), kFileAttributeDirectory);
  ASSERT_TRUE(os().SHGetSpecialFolderPathW(kCsidlFavorites, false, &path));

  std::u16string stored;
  ASSERT_TRUE(os().PathUnExpandEnvStringsW(path, &stored));
  EXPECT_EQ(stored, u"%USERPROFILE%\\Favorites");
}

TEST_P(PlatformContract, LeadingProfileFolderIsWrittenAsUserProfile) {
  const std::u16string profile = harness().ProfileFolder();
  std::u16string lowered = profile;
  for (char16_t& unit : lowered) {
    if (unit >= u'A' && unit <= u'Z') unit = static_cast<char16_t>(unit + 0x20);
  }
  std::u16string out;
  ASSERT_TRUE(os().PathUnExpandEnvStringsW(profile + u"\\Favorites\\Links", &out));
  EXPECT_EQ(out, u"%USERPROFILE%\\Favorites\\Links");
  ASSERT_TRUE(os().PathUnExpandEnvStringsW(lowered + u"/Favorites", &out));
  EXPECT_EQ(out, u"%USERPROFILE%/Favorites");
  ASSERT_TRUE(os().PathUnExpandEnvStringsW(profile, &out));
  EXPECT_EQ(out, u"%USERPROFILE%");

  out = u"unchanged";
  EXPECT_FALSE(os().PathUnExpandEnvStringsW(profile + u"-other\\Favorites", &out));
  EXPECT_FALSE(os().PathUnExpandEnvStringsW(u"Z:\\elsewhere\\Favorites", &out));
  EXPECT_FALSE(os().PathUnExpandEnvStringsW(profile.substr(0, profile.size() - 1), &out));
  EXPECT_EQ(out, u"unchanged");
}

TEST_P(PlatformContract, UserProfileExpandsInAnyCaseAndUnknownNamesStay) {
  const std::u16string profile = harness().ProfileFolder();
  EXPECT_EQ(os().ExpandEnvironmentStringsW(u"%USERPROFILE%\\Favorites"), profile + u"\\Favorites");
  EXPECT_EQ(os().ExpandEnvironmentStringsW(u"%userProfile%\\Favorites"), profile + u"\\Favorites");
  EXPECT_EQ(os().ExpandEnvironmentStringsW(u"%QUORVEL_UNSET%\\%USERPROFILE%"),
            u"%QUORVEL_UNSET%\\" + profile);
  EXPECT_EQ(os().ExpandEnvironmentStringsW(u"50% off\\%USERPROFILE"), u"50% off\\%USERPROFILE");
  EXPECT_EQ(os().ExpandEnvironmentStringsW(u"C:\\Users\\x"), u"C:\\Users\\x");

  // What one profile stores, another expands into its own folder.
  std::u16string stored;
  ASSERT_TRUE(os().PathUnExpandEnvStringsW(profile + u"\\Favorites\\A", &stored));
  EXPECT_EQ(os().ExpandEnvironmentStringsW(stored), profile + u"\\Favorites\\A");
}

}  // namespace
}  // namespace qv::test
