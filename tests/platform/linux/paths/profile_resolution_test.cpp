#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/linux_platform.h"
#include "tests/platform/contract/linux_harness.h"

namespace qv {
namespace {

// Sets or clears one environment variable for a test and puts it back afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : m_strName(name) {
    if (const char* old = std::getenv(name)) m_strOld = old;
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (m_strOld) {
      setenv(m_strName.c_str(), m_strOld->c_str(), 1);
    } else {
      unsetenv(m_strName.c_str());
    }
  }

 private:
  std::string m_strName;
  std::optional<std::string> m_strOld;
};

TEST(ProfileResolution, FollowsFlagThenVariableThenXdgThenHome) {
  ScopedEnv home("HOME", "/home/alice");
  {
    ScopedEnv profile("QUORVEL_PROFILE", "/srv/from-env");
    ScopedEnv xdg("XDG_DATA_HOME", "/xdg");
    EXPECT_EQ(ResolveProfileDir("/mnt/win/Users/alice"), "/mnt/win/Users/alice");
    EXPECT_EQ(ResolveProfileDir(""), "/srv/from-env");
  }
  {
    ScopedEnv profile("QUORVEL_PROFILE", "");
    ScopedEnv xdg("XDG_DATA_HOME", "/xdg");
    EXPECT_EQ(ResolveProfileDir(""), "/xdg/quorvel/profile");
    EXPECT_EQ(DefaultClassesHive(), "/xdg/quorvel/classes.dat");
  }
  for (const char* unusableXdg : {static_cast<const char*>(nullptr), "", "relative/data"}) {
    ScopedEnv profile("QUORVEL_PROFILE", nullptr);
    ScopedEnv xdg("XDG_DATA_HOME", unusableXdg);
    EXPECT_EQ(ResolveProfileDir(""), "/home/alice/.local/share/quorvel/profile");
    EXPECT_EQ(DefaultClassesHive(), "/home/alice/.local/share/quorvel/classes.dat");
  }
}

// Where the window looks for a system install of itself: a relative or empty
// entry would make a copy in the current folder count as installed.
TEST(ProfileResolution, SystemDataDirsKeepOnlyAbsoluteEntries) {
  const struct {
    const char* szValue;
    std::vector<std::string> expected;
  } kCases[] = {
      {nullptr, {"/usr/local/share", "/usr/share"}},
      {"", {"/usr/local/share", "/usr/share"}},
      {"/opt/q/share/:/usr/share", {"/opt/q/share", "/usr/share"}},
      {"share::./x:/usr/share//", {"/usr/share"}},
      {"relative/only", {"/usr/local/share", "/usr/share"}},
      {"/", {"/"}},
  };
  for (const auto& testCase : kCases) {
    ScopedEnv dirs("XDG_DATA_DIRS", testCase.szValue);
    EXPECT_EQ(SystemDataDirs(), testCase.expected) << (testCase.szValue ? testCase.szValue : "(unset)");
  }
}

TEST(ProfileResolution, MakesTheFolderAbsolute) {
  const std::string cwd = std::filesystem::current_path().string();
  EXPECT_EQ(ResolveProfileDir("./profiles//alice/"), cwd + "/profiles/alice");
  ScopedEnv profile("QUORVEL_PROFILE", "rel");
  EXPECT_EQ(ResolveProfileDir(""), cwd + "/rel");
  // ".." stays for the kernel to resolve: through a link it leads elsewhere.
  EXPECT_EQ(ResolveProfileDir("/a/b/../c"), "/a/b/../c");
}

TEST(ProfileResolution, FavoritesFolderIsCreatedOnlyWhenAsked) {
  test::LinuxHarness fixture;
  const std::filesystem::path favorites = fixture.ProfileDir() / "Favorites";
  std::u16string path = u"unchanged";

  EXPECT_FALSE(fixture.os().SHGetSpecialFolderPathW(kCsidlFavorites, false, &path));
  EXPECT_EQ(path, u"unchanged");
  EXPECT_FALSE(std::filesystem::exists(favorites));

  ASSERT_TRUE(fixture.os().SHGetSpecialFolderPathW(kCsidlFavorites, true, &path));
  EXPECT_TRUE(std::filesystem::is_directory(favorites));

  EXPECT_FALSE(fixture.os().SHGetSpecialFolderPathW(kCsidlFavorites + 1, true, &path));
}

// A profile that is not there (mistyped, on a disk not mounted) is never made:
// every way in that would make Favorites fails instead, naming the folder.
TEST(ProfileResolution, MissingProfileFolderIsNeverCreated) {
  test::TempDir dir;
  const std::string missing = (dir / "new/profile").string();
  const auto platform = MakeLinuxPlatform({missing, ""});
  std::u16string path;
  EXPECT_FALSE(platform->SHGetSpecialFolderPathW(kCsidlFavorites, true, &path));
  EXPECT_EQ(platform->LockProfile(0, true), kInvalidHandle);
  EXPECT_EQ(platform->LockProfile(0, false), kInvalidHandle);
  EXPECT_FALSE(platform->CanWriteProfile());
  EXPECT_EQ(platform->LastErrorText(), "the profile folder " + missing + " does not exist");
  EXPECT_FALSE(std::filesystem::exists(dir / "new"));
}

TEST(ProfileResolution, FileInTheWayOfFavoritesIsAFailure) {
  test::LinuxHarness fixture;
  test::WriteFileBytes(fixture.ProfileDir() / "Favorites", "not a folder");
  std::u16string path;
  EXPECT_FALSE(fixture.os().SHGetSpecialFolderPathW(kCsidlFavorites, true, &path));
  EXPECT_NE(fixture.os().LastErrorText().find("Favorites"), std::string::npos);
}

}  // namespace
}  // namespace qv
