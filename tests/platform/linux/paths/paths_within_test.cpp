// Links on the way to a path, resolved as the kernel will when the restore
// writes through them.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/platform/contract/linux_harness.h"

namespace qv {
namespace {

using test::LinuxHarness;

class PathsWithin : public ::testing::Test {
 protected:
  PathsWithin() {
    std::filesystem::create_directories(m_fixture.Native("profile/Favorites/Links"));
    std::filesystem::create_directories(m_fixture.Native("outside"));
    m_strFavorites = m_fixture.Win("profile/Favorites");
  }
  bool Within(const std::u16string& path) { return m_fixture.os().IsPathWithin(path, m_strFavorites); }

  LinuxHarness m_fixture;
  std::u16string m_strFavorites;
};

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
