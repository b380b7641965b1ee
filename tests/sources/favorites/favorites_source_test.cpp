// The Favorites source: walk order, which entries become records, and the folder
// links and over-long paths that must be left out.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "jobs/backup_item_size_text.h"
#include "jobs/backup_items.h"
#include "platform/text/text.h"
#include "sources/favorites/favorites_builder.h"
#include "store/writer/backup_item_walk.h"
#include "tests/support/archive_parser.h"
#include "tests/support/profile_fixture.h"

namespace qv::test {
namespace {

namespace fs = std::filesystem;

class FavoritesSourceTest : public ::testing::Test {
 protected:
  // Paths below Favorites with '/', folders marked by a trailing '/'.
  std::vector<std::string> WalkedPaths() {
    NodeList<FileNode> nodes;
    std::vector<SkippedSource> skipped;
    WalkNodes(FavoritesBuilder::MakeRoot(), nodes, skipped);
    std::vector<std::string> paths;
    for (const FileNode& node : nodes) paths.push_back(Relative(node.FullPath()) + (node.isFolder ? "/" : ""));
    return paths;
  }

  std::string Relative(const std::u16string& windowsPath) {
    std::string native = profile.platform().ToNativePath(windowsPath);
    return fs::path(native).lexically_relative(profile.FavoritesDir()).generic_string();
  }

  // The order the archive follows, from the file system's own listing: every entry
  // of a folder, then each sub-folder's entries in turn.
  void ExpectedOrder(const fs::path& folder, std::vector<std::string>& out) {
    std::vector<fs::path> children;
    for (const auto& entry : fs::directory_iterator(folder)) children.push_back(entry.path());
    for (const fs::path& child : children) {
      out.push_back(child.lexically_relative(profile.FavoritesDir()).generic_string() +
                    (fs::is_directory(fs::symlink_status(child)) ? "/" : ""));
    }
    for (const fs::path& child : children) {
      if (fs::is_directory(fs::symlink_status(child))) ExpectedOrder(child, out);
    }
  }

  ParsedArchive BackUpFavorites(StoreReport* reportOut = nullptr) {
    BackupRequest request;
    request.strArchivePath = profile.WindowsPath(profile.Scratch("fav.qvl"));
    WriteFileBytes(profile.Scratch("fav.qvl"), std::string(116, '\0'));
    StoreReport report;
    (void)MakeBackupItems(0, WM_JOB_PROGRESS)[0]->Backup(request, report);
    EXPECT_FALSE(report.Failed()) << report.strFirstFailure;
    if (reportOut) *reportOut = report;
    return ParseArchive(ReadFileBytes(profile.Scratch("fav.qvl")));
  }

  bool Reported(const StoreReport& report, const std::string& pathEnd) {
    return std::any_of(report.skipped.begin(), report.skipped.end(),
                       [&](const SkippedSource& s) { return s.strPath.ends_with(pathEnd); });
  }

  ProfileFixture profile;
};

TEST_F(FavoritesSourceTest, WalkListsAFoldersEntriesBeforeItsSubfolders) {
  profile.AddFavorite("c.url", "c");
  profile.AddFavorite("A/x.url", "x");
  profile.AddFavorite("A/B/y.url", "y");
  profile.AddFavorite("D/z.url", "z");
  fs::create_directories(profile.FavoritesDir() / "E/Empty");

  std::vector<std::string> expected;
  ExpectedOrder(profile.FavoritesDir(), expected);
  ASSERT_EQ(expected.size(), 9u);
  EXPECT_EQ(WalkedPaths(), expected);

  // Records: the files of that list, in its order, with the stored folder form.
  std::vector<std::string> expectedFiles;
  std::copy_if(expected.begin(), expected.end(), std::back_inserter(expectedFiles),
               [](const std::string& p) { return !p.ends_with("/"); });
  const ParsedArchive parsed = BackUpFavorites();
  ASSERT_TRUE(parsed.ok) << parsed.error;
  std::vector<std::string> recorded;
  for (const ParsedRecord& record : parsed.records) {
    ASSERT_TRUE(record.folder.starts_with(u"%USERPROFILE%\\Favorites"));
    std::u16string sub = record.folder.substr(23);
    std::replace(sub.begin(), sub.end(), u'\\', u'/');
    recorded.push_back(ToUtf8((sub.empty() ? u"" : sub.substr(1) + u"/") + record.name));
  }
  EXPECT_EQ(recorded, expectedFiles);
}

TEST_F(FavoritesSourceTest, HiddenFilesAndDotDotNamesAreStored) {
  profile.AddFavorite(".hidden.url", "h");
  profile.AddFavorite("..dots.url", "d");
  profile.AddFavorite("desktop.ini", "i");
  profile.AddFavorite("noextension", "n");
  const ParsedArchive parsed = BackUpFavorites();
  std::vector<std::u16string> names;
  for (const ParsedRecord& record : parsed.records) names.push_back(record.name);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::u16string>{u"..dots.url", u".hidden.url", u"desktop.ini",
                                                u"noextension"}));
}

TEST_F(FavoritesSourceTest, LinksAreNeitherFollowedNorCreated) {
  profile.AddFavorite("real.url", "r");
  WriteFileBytes(profile.Scratch("outside/secret.txt"), "outside");
  if (!MakeSymlink(profile.FavoritesDir(), profile.FavoritesDir() / "loop") ||
      !MakeSymlink(profile.Scratch("outside"), profile.FavoritesDir() / "out") ||
      !MakeSymlink(profile.Scratch("never-there.txt"), profile.FavoritesDir() / "dangling.url")) {
    GTEST_SKIP() << "no symbolic links here";
  }

  StoreReport report;
  const ParsedArchive parsed = BackUpFavorites(&report);
  ASSERT_TRUE(parsed.ok);
  ASSERT_EQ(parsed.records.size(), 1u);
  EXPECT_EQ(parsed.records[0].name, u"real.url");
  EXPECT_TRUE(Reported(report, "/loop"));
  EXPECT_TRUE(Reported(report, "/out"));
  EXPECT_TRUE(Reported(report, "/dangling.url"));
  EXPECT_FALSE(fs::exists(profile.Scratch("never-there.txt"))) << "a backup must not create files";
}

TEST_F(FavoritesSourceTest, PathsLongerThanTheFieldsAreSkippedAndReported) {
  const std::size_t favoritesUnits = profile.WindowsPath(profile.FavoritesDir()).size();
  ASSERT_LT(favoritesUnits, 200u);
  const std::string longName = std::string(259 - favoritesUnits, 'n');  // one unit too many
  const std::string fittingName = std::string(258 - favoritesUnits, 'f');
  profile.AddFavorite(longName, "too long");
  profile.AddFavorite(fittingName, "fits");
  const std::string deepFolder(200 - favoritesUnits, 'd');
  profile.AddFavorite(deepFolder + "/" + std::string(80, 'e') + "/inner.url", "deep");

  StoreReport report;
  const ParsedArchive parsed = BackUpFavorites(&report);
  ASSERT_TRUE(parsed.ok);
  ASSERT_EQ(parsed.records.size(), 1u);
  EXPECT_EQ(ToUtf8(parsed.records[0].name), fittingName);
  EXPECT_EQ(parsed.records[0].name.size() + favoritesUnits + 1, 259u);
  EXPECT_TRUE(Reported(report, longName));
  EXPECT_TRUE(Reported(report, std::string(80, 'e')));
}

TEST_F(FavoritesSourceTest, SizeCountsFileBytesAndShowsWholeKilobytes) {
  auto favorites = std::move(MakeBackupItems(0, WM_JOB_PROGRESS)[0]);
  EXPECT_EQ(favorites->GetName(), u"Favorites");
  EXPECT_EQ(favorites->GetSize(), 0u);
  const std::vector<std::pair<std::size_t, std::string>> rows = {
      {1023, "0 KB"}, {1024, "1 KB"}, {2047, "1 KB"}};
  for (const auto& [bytes, shown] : rows) {
    fs::remove_all(profile.FavoritesDir());
    profile.AddFavorite("Sub/one.url", Bytes(bytes));
    EXPECT_EQ(favorites->GetSize(), bytes);
    EXPECT_EQ(ItemSizeText(favorites->GetSize()), shown);
  }
  profile.AddFavorite("two.url", Bytes(5000));
  fs::create_directories(profile.FavoritesDir() / "EmptyFolder");
  EXPECT_EQ(favorites->GetSize(), 2047u + 5000u);
  EXPECT_EQ(ItemSizeText(std::uint64_t{1} << 42), "4294967296 KB") << "not cut to 32 bits";
}

TEST_F(FavoritesSourceTest, ASizeQueryNeverKeepsAFileOutOfARunningBackup) {
  // The window's thread sizes the items while a backup runs; the size query must
  // neither lock out the backup's reader nor be locked out by it.
  profile.AddFavorite("busy.url", Bytes(3000));
  const std::u16string path =
      Os().ExpandEnvironmentStringsW(u"%USERPROFILE%\\Favorites\\busy.url");
  const FileHandle reader = Os().CreateFileW(path, kGenericRead, kFileShareRead, kOpenExisting);
  ASSERT_NE(reader, kInvalidHandle);
  EXPECT_EQ(MakeBackupItems(0, WM_JOB_PROGRESS)[0]->GetSize(), 3000u);
  EXPECT_TRUE(Os().CloseHandle(reader));

  const FileHandle sizer =
      Os().CreateFileW(path, kGenericRead, kFileShareRead | kFileShareWrite, kOpenExisting);
  ASSERT_NE(sizer, kInvalidHandle);
  const ParsedArchive parsed = BackUpFavorites();
  EXPECT_TRUE(Os().CloseHandle(sizer));
  ASSERT_TRUE(parsed.ok);
  ASSERT_EQ(parsed.records.size(), 1u);
  EXPECT_EQ(parsed.records[0].name, u"busy.url");
}

}  // namespace
}  // namespace qv::test
