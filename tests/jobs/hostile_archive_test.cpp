// Archives that name targets outside Favorites and the IE key: nothing is written
// outside, and every such record is counted with its reason.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "jobs/restore_job.h"
#include "jobs/restore_summary_text.h"
#include "tests/support/archive_builder.h"
#include "tests/support/restore_fixture.h"
#include "tests/support/temp_dir.h"

namespace qv::test {
namespace {

constexpr char16_t kFavorites[] = u"%USERPROFILE%\\Favorites";
constexpr char16_t kIe[] = u"Software\\Microsoft\\Internet Explorer";

TEST(HostileArchive, NothingIsWrittenOutsideAndEveryRefusalIsCounted) {
  RestoreFixture fixture;
  TempDir outside;
  // Where the system gives no links, the way out through one is left out.
  const bool linked = MakeSymlink(outside.path(), fixture.Profile().FavoritesDir() / "Escape");
  const std::u16string outsideFolder = fixture.Profile().WindowsPath(outside.path());
  const std::u16string profileFolder = fixture.Profile().WindowsPath(fixture.Profile().ProfileDir());
  const std::string tmpName = "quorvel-hostile-" + std::to_string(getpid()) + ".url";
  const std::u16string tmpName16(tmpName.begin(), tmpName.end());
  const bool tmpXExisted = std::filesystem::exists("/tmp/x");

  ArchiveBuilder archive;
  archive.Header()
      .File(u"%USERPROFILE%\\Favorites\\..\\..\\x", u"a.url", "1")
      .File(u"%USERPROFILE%\\..\\x", u"b.url", "2")
      .File(u"Z:\\tmp\\x", tmpName16, "3")
      .File(outsideFolder, u"c.url", "4")
      .File(profileFolder, u"d.url", "5")
      .File(u"%USERPROFILE%\\Favoritesx", u"e.url", "6")
      .File(u"Favorites", u"g.url", "8")
      .File(u"\\\\server\\share", u"h.url", "9")
      .File(kFavorites, u"..\\x.url", "10")
      .File(kFavorites, u"a\\b", "11")
      .File(kFavorites, u"..", "12")
      .File(kFavorites, u"", "13")
      .File(kFavorites, u"Z:\\tmp\\x.url", "14")
      .Value(u"Software\\Microsoft\\Windows\\CurrentVersion\\Run", u"evil", kRegSz, "r1")
      .Value(u"Software\\Microsoft\\Internet Explorer\\..\\..\\Run", u"evil", kRegSz, "r2")
      .Value(u"Software\\Microsoft\\Internet ExplorerX", u"evil", kRegSz, "r3")
      .Value(kIe, u"evil", kRegSz, "r4", {}, 0x80000002u)
      .Value(kIe, u"evil", kRegSz, "r5", {}, 0x80000000u)
      .Value(u"Software\\Microsoft\\Internet Explorer\\", u"evil", kRegSz, "r6")
      .File(kFavorites, u"good.url", "good")
      .Value(u"software\\microsoft\\INTERNET EXPLORER\\Main", u"good", kRegSz, "good");
  if (linked) archive.File(u"%USERPROFILE%\\Favorites\\Escape", u"f.url", "7");
  const std::size_t kHostile = linked ? 20 : 19;

  const std::filesystem::path root = fixture.Profile().ProfileDir().parent_path();
  auto before = SnapshotFiles(root);
  const RestoreSummary summary = fixture.Restore(archive.Bytes());
  const std::string text = FormatRestoreSummary(summary);

  EXPECT_EQ(summary.outcome, RestoreOutcome::kPartial) << text;
  EXPECT_EQ(summary.report.Count(RecordOutcome::kSkipped), kHostile) << text;
  EXPECT_EQ(summary.report.Count(RecordOutcome::kRestored), 2u) << text;
  for (const RecordResult& record : summary.report.records) {
    if (record.outcome == RecordOutcome::kSkipped) {
      EXPECT_FALSE(record.strReason.empty()) << record.strTarget;
    }
  }

  auto after = SnapshotFiles(root);
  after.erase("restore.qvl");
  EXPECT_EQ(after["profile/Favorites/good.url"], "good");
  after.erase("profile/Favorites/good.url");
  after.erase("profile/NTUSER.DAT");
  before.erase("profile/NTUSER.DAT");
  EXPECT_EQ(after, before);
  EXPECT_TRUE(std::filesystem::is_empty(outside.path()));
  EXPECT_FALSE(std::filesystem::exists("/tmp/x/" + tmpName));
  if (!tmpXExisted) {
    EXPECT_FALSE(std::filesystem::exists("/tmp/x"));
  }

  EXPECT_EQ(fixture.CommittedValue(u"software\\Microsoft\\Internet Explorer\\Main", u"good"),
            (StoredValue{kRegSz, "good"}));
  for (const char16_t* key : {u"Software\\Microsoft\\Windows\\CurrentVersion\\Run", u"Software\\Run",
                              u"Software\\Microsoft\\Internet ExplorerX", kIe}) {
    EXPECT_EQ(fixture.CommittedValue(key, u"evil"), std::nullopt);
  }
}

}  // namespace
}  // namespace qv::test
