#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/platform/contract/linux_harness.h"

namespace qv {
namespace {

using test::LinuxHarness;

TEST(PathMapping, NativeAndWindowsFormsMapBothWays) {
  LinuxHarness fixture;
  Platform& os = fixture.os();
  EXPECT_EQ(os.ToWindowsPath("/home/alice/b.qvl"), u"Z:\\home\\alice\\b.qvl");
  EXPECT_EQ(os.ToWindowsPath("/"), u"Z:\\");
  EXPECT_EQ(os.ToWindowsPath("/srv/\xC3\xA9t\xC3\xA9"), u"Z:\\srv\\\u00E9t\u00E9");
  EXPECT_EQ(os.ToNativePath(u"Z:\\home\\alice\\b.qvl"), "/home/alice/b.qvl");
  EXPECT_EQ(os.ToNativePath(u"z:/home/alice\\b.qvl"), "/home/alice/b.qvl");
  EXPECT_EQ(os.ToNativePath(u"Z:\\srv\\\u00E9t\u00E9"), "/srv/\xC3\xA9t\xC3\xA9");

  // A relative native path is taken from the current folder, as a shell user means it.
  const std::string cwd = std::filesystem::current_path().string();
  EXPECT_EQ(os.ToNativePath(os.ToWindowsPath("out.qvl")), cwd + "/out.qvl");
}

TEST(PathMapping, PathsWithoutNativeLocationFailWithAReason) {
  LinuxHarness fixture;
  Platform& os = fixture.os();
  for (const std::u16string_view path :
       {u"C:\\Users\\x\\Favorites\\a.url", u"Favorites\\a.url", u"Z:relative", u"\\\\server\\share",
        u""}) {
    EXPECT_EQ(os.ToNativePath(path), "");
    EXPECT_EQ(os.CreateFileW(path, kGenericRead, kFileShareRead, kOpenAlways), kInvalidHandle);
    EXPECT_FALSE(os.LastErrorText().empty());
  }
  EXPECT_NE(os.LastErrorText().find("no native location"), std::string::npos);
  EXPECT_FALSE(os.PathFileExistsW(u"C:\\Windows"));
  EXPECT_NE(os.SHCreateDirectoryExW(u"C:\\Users\\x\\Favorites"), 0);

  // An unpaired surrogate has no UTF-8 form; passing it on would name another file.
  EXPECT_EQ(os.ToNativePath(std::u16string(u"Z:\\a") + char16_t(0xD800)), "");
  EXPECT_EQ(os.ToNativePath(std::u16string(u"Z:\\a") + char16_t(0xDC00) + u"b"), "");
  EXPECT_EQ(os.ToNativePath(std::u16string(u"Z:\\a") + char16_t(0xDE00) + char16_t(0xD83D)), "");
  EXPECT_EQ(os.ToNativePath(u"Z:\\a\U0001F600"), "/a\xF0\x9F\x98\x80");
  EXPECT_EQ(os.ToNativePath(std::u16string(u"Z:\\a\0b", 6)), "");
}

TEST(PathMapping, NativeNamesTheWindowsFormCannotHoldHaveNoWindowsForm) {
  LinuxHarness fixture;
  EXPECT_EQ(fixture.os().ToWindowsPath("/tmp/a\\b"), u"");
  EXPECT_NE(fixture.os().LastErrorText().find("backslash"), std::string::npos);
  EXPECT_EQ(fixture.os().ToWindowsPath("/tmp/\xFF"), u"");
  EXPECT_NE(fixture.os().LastErrorText().find("UTF-8"), std::string::npos);
}

// Windows knows these; the Linux platform knows %USERPROFILE% alone, so a path
// stored with another variable stays as it was stored.
TEST(ProfileVariable, OnlyUserProfileIsKnown) {
  LinuxHarness fixture;
  Platform& os = fixture.os();
  const std::u16string profile = LinuxHarness::Windows(fixture.ProfileDir());
  EXPECT_EQ(os.ExpandEnvironmentStringsW(u"%HOME%\\x"), u"%HOME%\\x");
  EXPECT_EQ(os.ExpandEnvironmentStringsW(u"%SystemRoot%\\%USERPROFILE%"),
            u"%SystemRoot%\\" + profile);
}

TEST(ProfileVariable, CaseIsIgnoredBeyondAscii) {
  test::TempDir dir;
  const auto platform =
      MakeLinuxPlatform({(dir / "\xC3\x89lodie-\xD0\x96").string(), ""});  // "Élodie-Ж"
  std::u16string out;
  const std::u16string lowered =
      LinuxHarness::Windows(dir.path()) + u"\\\u00E9lodie-\u0436\\Favorites";
  ASSERT_TRUE(platform->PathUnExpandEnvStringsW(lowered, &out));
  EXPECT_EQ(out, u"%USERPROFILE%\\Favorites");
}

}  // namespace
}  // namespace qv
