// FileItemOpt: what reaches the target and what never does.
#include "sources/favorites/file_item_opt.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/text/text.h"
#include "sources/restore_confinement.h"
#include "tests/support/fault_injecting_platform.h"
#include "tests/support/restore_fixture.h"
#include "tests/support/temp_dir.h"

namespace qv::test {
namespace {

TEST(FileNameRule, OnlyOnePlainComponentPasses) {
  for (std::u16string_view bad : {u"", u".", u"..", u"..\\x", u"a\\b", u"a/b", u"C:x", u"\\x"}) {
    EXPECT_FALSE(FileNameProblem(bad).empty()) << ToUtf8(bad);
  }
  for (std::u16string_view good : {u"a.url", u"..hidden.url", u"desktop.ini", u"Caf\u00e9 \u4e2d.url", u"a..b"}) {
    EXPECT_EQ(FileNameProblem(good), "") << ToUtf8(good);
  }
}

class FileItemOptTest : public ::testing::Test {
 protected:
  // An item whose head names Favorites\<folder>\<name>, with Begin already called.
  std::unique_ptr<FileItemOpt> Begun(std::u16string_view folder, std::u16string_view name, bool dryRun = false) {
    RestoreOptions options;
    options.bDryRun = dryRun;
    auto item = std::make_unique<FileItemOpt>(options);
    FileItemHead head;
    EXPECT_TRUE(SetTextField(head.item.folder, folder));
    EXPECT_TRUE(SetTextField(head.item.name, name));
    const FileItemHeadBytes bytes = EncodeFileItemHead(head);
    EXPECT_TRUE(item->SetHead(std::span<const std::uint8_t>(bytes).subspan(4)));
    m_bBegun = item->Begin();
    return item;
  }
  void Write(FileItemOpt& item, const std::string& data) {
    item.Write(reinterpret_cast<const std::uint8_t*>(data.data()), static_cast<std::uint32_t>(data.size()));
  }
  std::map<std::string, std::string> Favorites() { return SnapshotFiles(m_fixture.Profile().FavoritesDir()); }
  std::filesystem::path Fav(const std::string& name) { return m_fixture.Profile().FavoritesDir() / name; }

  RestoreFixture m_fixture;
  bool m_bBegun = false;
};

TEST_F(FileItemOptTest, TheTargetChangesOnlyAtEnd) {
  WriteFileBytes(Fav("a.url"), "old");
  auto item = Begun(u"%USERPROFILE%\\Favorites", u"a.url");
  ASSERT_TRUE(m_bBegun) << item->SkipReason();
  EXPECT_TRUE(item->TargetExists());
  Write(*item, "new ");
  Write(*item, "content");
  EXPECT_EQ(ReadFileBytes(Fav("a.url")), "old");
  EXPECT_TRUE(item->End());
  EXPECT_EQ(Favorites(), (std::map<std::string, std::string>{{"a.url", "new content"}}));
}

TEST_F(FileItemOptTest, DiscardOrDestructionLeavesTheOldFileAndNoTemporary) {
  WriteFileBytes(Fav("a.url"), "old");
  {
    auto item = Begun(u"%USERPROFILE%\\Favorites", u"a.url");
    Write(*item, "half");
    item->Discard();
  }
  {
    auto item = Begun(u"%USERPROFILE%\\Favorites", u"a.url");
    Write(*item, "dropped without End");
  }
  EXPECT_EQ(Favorites(), (std::map<std::string, std::string>{{"a.url", "old"}}));
}

TEST_F(FileItemOptTest, MissingFoldersAreCreatedOnlyInsideFavorites) {
  auto inside = Begun(u"%USERPROFILE%\\Favorites\\New\\Deeper", u"a.url");
  ASSERT_TRUE(m_bBegun) << inside->SkipReason();
  Write(*inside, "x");
  EXPECT_TRUE(inside->End());
  EXPECT_EQ(ReadFileBytes(Fav("New/Deeper/a.url")), "x");

  const auto before = SnapshotFiles(m_fixture.Profile().ProfileDir().parent_path());
  auto outside = Begun(u"%USERPROFILE%\\Favorites\\..\\Made\\Up", u"a.url");
  EXPECT_FALSE(m_bBegun);
  EXPECT_NE(outside->SkipReason().find("outside the Favorites folder"), std::string::npos);
  EXPECT_EQ(SnapshotFiles(m_fixture.Profile().ProfileDir().parent_path()), before);
}

TEST_F(FileItemOptTest, LinksOutOfFavoritesDoNotCount) {
  TempDir elsewhere;
  if (!MakeSymlink(elsewhere.path(), Fav("Escape"))) GTEST_SKIP() << "no symbolic links here";
  auto item = Begun(u"%USERPROFILE%\\Favorites\\Escape", u"a.url");
  EXPECT_FALSE(m_bBegun);
  EXPECT_FALSE(item->End());
  EXPECT_TRUE(std::filesystem::is_empty(elsewhere.path()));

  // The link itself named as the file: neither followed nor replaced.
  auto named = Begun(u"%USERPROFILE%\\Favorites", u"Escape");
  EXPECT_FALSE(m_bBegun);
  EXPECT_FALSE(named->End());
  EXPECT_TRUE(std::filesystem::is_symlink(Fav("Escape")));
}

TEST_F(FileItemOptTest, FailuresOfTheDiskKeepTheOldFile) {
  struct Case {
    const char* what;
    void (*inject)(FaultInjectingPlatform&);
  };
  const Case cases[] = {
      {"disk full", [](FaultInjectingPlatform& p) { p.FailWritesAfterBytes(3); }},
      {"flush", [](FaultInjectingPlatform& p) { p.FailFlush(true); }},
      {"rename", [](FaultInjectingPlatform& p) { p.FailMoveFile(true); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFileBytes(Fav("a.url"), "old");
    FaultInjectingPlatform faulty(m_fixture.Profile().platform());
    ScopedPlatform scope(faulty);
    auto item = Begun(u"%USERPROFILE%\\Favorites", u"a.url");
    ASSERT_TRUE(m_bBegun) << item->SkipReason();
    c.inject(faulty);
    Write(*item, "new content");
    EXPECT_FALSE(item->End());
    EXPECT_NE(item->SkipReason().find("injected fault"), std::string::npos) << item->SkipReason();
    faulty.Reset();
    EXPECT_EQ(Favorites(), (std::map<std::string, std::string>{{"a.url", "old"}}));
  }
}

TEST_F(FileItemOptTest, DryRunTouchesNothing) {
  std::filesystem::remove(m_fixture.Profile().FavoritesDir());
  const auto before = SnapshotFiles(m_fixture.Profile().ProfileDir());
  auto item = Begun(u"%USERPROFILE%\\Favorites\\Sub", u"a.url", true);
  ASSERT_TRUE(m_bBegun) << item->SkipReason();
  Write(*item, "content");
  EXPECT_TRUE(item->End());
  EXPECT_FALSE(item->TargetExists());
  EXPECT_EQ(SnapshotFiles(m_fixture.Profile().ProfileDir()), before);
}

}  // namespace
}  // namespace qv::test
