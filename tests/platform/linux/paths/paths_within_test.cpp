#include <gtest/gtest.h>

#include <filesystem>

#include "tests/platform/platform_on_temp_profile.h"

namespace qv {
namespace {

using test::PlatformOnTempProfile;

class PathsWithin : public ::testing::Test {
 protected:
  PathsWithin() {
    std::filesystem::create_directories(m_fixture.Native("profile/Favorites/Links"));
    std::filesystem::create_directories(m_fixture.Native("outside"));
    m_strFavorites = m_fixture.Win("profile/Favorites");
  }
  bool Within(const std::u16string& path) { return m_fixture.os().IsPathWithin(path, m_strFavorites); }

  PlatformOnTempProfile m_fixture;
  std::u16string m_strFavorites;
};

TEST_F(PathsWithin, PlainPathsCompareByWholeComponents) {
  EXPECT_TRUE(Within(m_strFavorites));
  EXPECT_TRUE(Within(m_strFavorites + u"\\"));
  EXPECT_TRUE(Within(m_strFavorites + u"\\Links\\a.url"));
  EXPECT_TRUE(Within(m_strFavorites + u"\\new\\deeper\\b.url"));  // need not exist yet
  EXPECT_FALSE(Within(m_fixture.Win("profile/Favorites2/a.url")));
  EXPECT_FALSE(Within(m_fixture.Win("profile/NTUSER.DAT")));
  EXPECT_FALSE(Within(u"Z:\\etc\\passwd"));
  EXPECT_FALSE(Within(u"C:\\Users\\x\\Favorites\\a.url"));
  EXPECT_FALSE(Within(u"Favorites\\a.url"));
}

TEST_F(PathsWithin, DotDotIsResolvedBeforeComparing) {
  EXPECT_TRUE(Within(m_strFavorites + u"\\Links\\..\\a.url"));
  EXPECT_TRUE(Within(m_strFavorites + u"\\.\\Links\\.\\a.url"));
  EXPECT_FALSE(Within(m_strFavorites + u"\\..\\NTUSER.DAT"));
  EXPECT_FALSE(Within(m_strFavorites + u"\\Links\\..\\..\\..\\outside\\x"));
  EXPECT_FALSE(Within(m_strFavorites + u"\\missing\\..\\..\\x"));
  EXPECT_TRUE(Within(m_strFavorites + u"\\missing\\..\\Links\\x"));
}

TEST_F(PathsWithin, LinksInsideFavoritesAreFollowedToTheirTargets) {
  std::filesystem::create_directory_symlink(m_fixture.Native("outside"),
                                            m_fixture.Native("profile/Favorites/escape"));
  std::filesystem::create_symlink(m_fixture.Native("outside/new.txt"),
                                  m_fixture.Native("profile/Favorites/dangling.url"));
  std::filesystem::create_directory_symlink("Links", m_fixture.Native("profile/Favorites/inner"));

  EXPECT_FALSE(Within(m_strFavorites + u"\\escape\\a.url"));
  EXPECT_FALSE(Within(m_strFavorites + u"\\escape"));
  // Creating a file through a dangling link creates its target, outside.
  EXPECT_FALSE(Within(m_strFavorites + u"\\dangling.url"));
  EXPECT_TRUE(Within(m_strFavorites + u"\\inner\\a.url"));
  // "inner\.." is the parent of Links, as the kernel walks it.
  EXPECT_TRUE(Within(m_strFavorites + u"\\inner\\..\\a.url"));
  EXPECT_FALSE(Within(m_strFavorites + u"\\escape\\..\\profile\\NTUSER.DAT"));
}

TEST_F(PathsWithin, FolderIsResolvedTheSameWay) {
  std::filesystem::create_directory_symlink(m_fixture.Native("profile/Favorites"),
                                            m_fixture.Native("favlink"));
  EXPECT_TRUE(m_fixture.os().IsPathWithin(m_strFavorites + u"\\a.url", m_fixture.Win("favlink")));
  EXPECT_TRUE(m_fixture.os().IsPathWithin(m_fixture.Win("favlink/Links"), m_strFavorites));
}

TEST_F(PathsWithin, LinkLoopsAreNotWithin) {
  std::filesystem::create_symlink("loop2", m_fixture.Native("profile/Favorites/loop1"));
  std::filesystem::create_symlink("loop1", m_fixture.Native("profile/Favorites/loop2"));
  EXPECT_FALSE(Within(m_strFavorites + u"\\loop1\\x"));
  EXPECT_NE(m_fixture.os().LastErrorText().find("links"), std::string::npos);
}

}  // namespace
}  // namespace qv
