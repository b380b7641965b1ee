// Restores of archives made to hurt: junk that would decrypt with the empty
// password, decompression bombs, names Windows cannot hold, heads without their
// terminators, and a second job on the same profile. Each writes nothing it should
// not and says why.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <functional>

#include "jobs/backup_job.h"
#include "jobs/restore_summary_text.h"
#include "platform/coding.h"
#include "platform/text/text.h"
#include "platform/unique_handles.h"
#include "processors/compressed_block.h"
#include "sources/favorites/file_restore_context.h"
#include "tests/support/archive_builder.h"
#include "tests/support/archive_parser.h"
#include "tests/support/fault_injecting_platform.h"
#include "tests/support/restore_fixture.h"

namespace qv::test {
namespace {

constexpr char16_t kFavorites[] = u"%USERPROFILE%\\Favorites";

// A 260-unit text field with no terminator, and a file head carrying it as the name.
std::string UnterminatedFileHead() {
  std::string head = std::string("\x01\0\0\0", 4) + Utf16Bytes(kFavorites);
  head.resize(4 + 520, '\0');
  head += Utf16Bytes(std::u16string(260, u'a'));
  return head + std::string(4, '\0');
}

TEST(RestoreFaults, RefusedRecordsLeaveTheirTargetAndSayWhy) {
  const Coding protectedWithoutPassword{false, true, u""};
  struct Case {
    const char* what;
    std::function<void(ArchiveBuilder&)> record;
    RecordOutcome outcome;
    const char* reason;
  };
  const std::u16string lone(1, static_cast<char16_t>(0xD800));
  const std::vector<Case> cases = {
      {"protected record, unprotected header",
       [&](ArchiveBuilder& a) { a.File(kFavorites, u"keep.url", "junk", protectedWithoutPassword); },
       RecordOutcome::kDamaged, "archive has no password"},
      {"name without terminator", [](ArchiveBuilder& a) { a.Raw(UnterminatedFileHead()).EndMarker(); },
       RecordOutcome::kDamaged, "without its terminator"},
      {"device name", [](ArchiveBuilder& a) { a.File(kFavorites, u"CON", "x"); }, RecordOutcome::kSkipped,
       "Windows device name"},
      {"device name with extension", [](ArchiveBuilder& a) { a.File(kFavorites, u"con.txt", "x"); },
       RecordOutcome::kSkipped, "Windows device name"},
      {"superscript device name", [](ArchiveBuilder& a) { a.File(kFavorites, u"COM\u00B9.url", "x"); },
       RecordOutcome::kSkipped, "Windows device name"},
      {"device folder", [](ArchiveBuilder& a) { a.File(u"%USERPROFILE%\\Favorites\\Lpt1", u"a.url", "x"); },
       RecordOutcome::kSkipped, "folder name \"Lpt1\" is a Windows device name"},
      {"trailing dot", [](ArchiveBuilder& a) { a.File(kFavorites, u"x.url.", "x"); }, RecordOutcome::kSkipped,
       "ends in a dot or a blank"},
      {"trailing blank", [](ArchiveBuilder& a) { a.File(kFavorites, u"y.url ", "x"); },
       RecordOutcome::kSkipped, "ends in a dot or a blank"},
      {"wildcards", [](ArchiveBuilder& a) { a.File(kFavorites, u"st*r?.url", "x"); }, RecordOutcome::kSkipped,
       "<>\"|?*"},
      {"control character", [](ArchiveBuilder& a) { a.File(kFavorites, u"a\tb.url", "x"); },
       RecordOutcome::kSkipped, "control character"},
      {"too long for Windows", [](ArchiveBuilder& a) { a.File(kFavorites, std::u16string(259, u'n'), "x"); },
       RecordOutcome::kSkipped, "longer than 255 characters"},
      {"path too long for a backup", [](ArchiveBuilder& a) { a.File(kFavorites, std::u16string(250, u'n'), "x"); },
       RecordOutcome::kSkipped, "more than a backup stores"},
#ifndef _WIN32
      // 400 bytes of UTF-8, 200 characters: too long for a Linux name only.
      {"too long for Linux", [](ArchiveBuilder& a) { a.File(kFavorites, std::u16string(200, u'ж'), "x"); },
       RecordOutcome::kSkipped, "more than the 255 a name holds on this system"},
#endif
      {"unpaired surrogate", [&](ArchiveBuilder& a) { a.File(kFavorites, u"a" + lone + u".url", "x"); },
       RecordOutcome::kSkipped, "unpaired surrogate"},
      // The next job would remove them as left behind by a killed one.
      {"our temporary name", [](ArchiveBuilder& a) { a.File(kFavorites, u".quorvel-Ab3dEf.tmp", "x"); },
       RecordOutcome::kSkipped, "Quorvel's own temporary files"},
      {"a hive's temporary name", [](ArchiveBuilder& a) { a.File(kFavorites, u"NTUSER.DAT.quorvel-Ab3dEf", "x"); },
       RecordOutcome::kSkipped, "Quorvel's own temporary files"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RestoreFixture fixture;
    fixture.Profile().AddFavorite("keep.url", "kept");
    const auto before = SnapshotFiles(fixture.Profile().ProfileDir());
    ArchiveBuilder archive;
    archive.Header();
    c.record(archive);
    archive.File(kFavorites, u"after.url", "after");
    const RestoreSummary summary = fixture.Restore(archive.Bytes());
    EXPECT_EQ(summary.outcome, RestoreOutcome::kPartial) << FormatRestoreSummary(summary);
    ASSERT_EQ(summary.report.records.size(), 2u) << FormatRestoreSummary(summary);
    EXPECT_EQ(summary.report.records[0].outcome, c.outcome);
    EXPECT_NE(summary.report.records[0].strReason.find(c.reason), std::string::npos)
        << summary.report.records[0].strReason;
    EXPECT_EQ(summary.report.records[1].outcome, RecordOutcome::kRestored) << "the next record still comes";
    auto after = SnapshotFiles(fixture.Profile().ProfileDir());
    after.erase("Favorites/after.url");
    EXPECT_EQ(after, before);
  }
}

// Full batches are committed on a thread of their own while the next is written:
// a batch that fails there must still mark its own records, and only those.
TEST(RestoreFaults, AFailedBatchMarksItsOwnRecordsWhicheverThreadCommitsIt) {
  constexpr std::size_t kBatch = 8;
  constexpr std::size_t kFiles = 2 * kBatch + 3;
  ArchiveBuilder archive;
  archive.Header();
  for (std::size_t i = 0; i < kFiles; ++i) archive.File(kFavorites, FromUtf8(std::to_string(i) + ".url"), "x");
  for (const std::uint64_t failing : {1u, 2u, 3u}) {  // in the background, in the background, last
    SCOPED_TRACE(failing);
    RestoreFixture fixture;
    fixture.SetBatchLimits({kBatch});
    FaultInjectingPlatform faulty(fixture.Profile().platform());
    ScopedPlatform installed(faulty);
    std::u16string firstFile = u"\\";  // appended: g++ 12 -O3 warns falsely (-Wrestrict) on u"\\" + ...
    firstFile += FromUtf8(std::to_string((failing - 1) * kBatch)) + u".url";
    faulty.FailReplaceBatchHolding(firstFile);
    const RestoreSummary summary = fixture.Restore(archive.Bytes());
    ASSERT_EQ(summary.report.records.size(), kFiles);
    const std::size_t first = (failing - 1) * kBatch;
    const std::size_t end = std::min(kFiles, failing * kBatch);
    for (std::size_t i = 0; i < kFiles; ++i) {
      const bool lost = i >= first && i < end;
      ASSERT_EQ(summary.report.records[i].outcome, lost ? RecordOutcome::kSkipped : RecordOutcome::kRestored) << i;
      ASSERT_EQ(std::filesystem::exists(fixture.Profile().FavoritesDir() / (std::to_string(i) + ".url")), !lost);
    }
  }
}

// Several full batches may be on their way at once; a favorite stored again in a
// later batch must end with the later content however slowly the first commits.
TEST(RestoreFaults, BatchesOnTheirWayTogetherArePutInPlaceInOrder) {
  constexpr std::size_t kBatch = 8;
  ArchiveBuilder archive;
  archive.Header();
  for (std::size_t i = 0; i < 2 * kBatch + 1; ++i) {
    const bool again = i == 0 || i == kBatch;
    archive.File(kFavorites, again ? std::u16string(u"same.url") : FromUtf8(std::to_string(i) + ".url"),
                 i == 0 ? "first" : "second");
  }
  RestoreFixture fixture;
  fixture.SetBatchLimits({kBatch});
  FaultInjectingPlatform faulty(fixture.Profile().platform());
  ScopedPlatform installed(faulty);
  faulty.SlowFirstReplaceBatch(std::chrono::milliseconds(200));
  const RestoreSummary summary = fixture.Restore(archive.Bytes());
  EXPECT_EQ(summary.outcome, RestoreOutcome::kOk) << FormatRestoreSummary(summary);
  EXPECT_EQ(fixture.Favorite("same.url"), "second");
}

// In a folder the restore made itself the target is not looked for; a name that
// is one of the restore's own new folders still is, and is refused up front.
TEST(RestoreFaults, AFileNamedLikeAFolderTheRestoreMadeIsRefused) {
  ArchiveBuilder archive;
  archive.Header()
      .File(u"%USERPROFILE%\\Favorites\\A", u"g.url", "g")
      .File(u"%USERPROFILE%\\Favorites\\A\\B", u"f.url", "f")
      .File(u"%USERPROFILE%\\Favorites\\A", u"B", "not a folder");
  RestoreFixture fixture;
  const RestoreSummary summary = fixture.Restore(archive.Bytes());
  ASSERT_EQ(summary.report.records.size(), 3u);
  EXPECT_EQ(summary.report.records[0].outcome, RecordOutcome::kRestored);
  EXPECT_EQ(summary.report.records[2].outcome, RecordOutcome::kSkipped);
  EXPECT_NE(summary.report.records[2].strReason.find("folder of that name"), std::string::npos)
      << summary.report.records[2].strReason;
  EXPECT_EQ(fixture.Favorite("A/B/f.url"), "f");
  EXPECT_EQ(fixture.Favorite("A/g.url"), "g");
}

TEST(RestoreFaults, BlocksStatingMoreThanOnePieceAreRefusedUndecoded) {
  // One honest compressed block, told to decode to 16 MiB; a bomb repeats it.
  const Coding compressed{true, false, u""};
  std::string bomb = EncodePayload(std::string(kBlockSize, '\0'), compressed);
  EncodeFixed64(reinterpret_cast<std::uint8_t*>(bomb.data()) + kPlainSizeOffset, 16u << 20);
  ArchiveBuilder archive;
  archive.Header().FileHead(kFavorites, u"bomb.url", compressed);
  for (int i = 0; i < 2000; ++i) archive.RawBlock(bomb);
  archive.EndMarker().File(kFavorites, u"after.url", "after");

  for (const bool dryRun : {false, true}) {
    SCOPED_TRACE(dryRun ? "dry run" : "restore");
    RestoreFixture fixture;
    const RestoreSummary summary = fixture.Restore(archive.Bytes(), u"", dryRun);
    ASSERT_EQ(summary.report.records.size(), 2u);
    EXPECT_EQ(summary.report.records[0].outcome, RecordOutcome::kDamaged);
    EXPECT_EQ(summary.report.nDamagedBlocks, 1u) << "the rest of the record is not decoded";
    EXPECT_EQ(summary.report.records[1].outcome, RecordOutcome::kRestored);
    EXPECT_FALSE(std::filesystem::exists(fixture.Profile().FavoritesDir() / "bomb.url"));
  }
}

TEST(RestoreFaults, ABlockLengthOneShortIsDamageNotATruncatedFavorite) {
  ArchiveBuilder archive;
  archive.Header().File(kFavorites, u"a.url", "URL=https://example.org/\n").File(kFavorites, u"b.url", "b");
  std::string bytes = archive.Bytes();
  const std::size_t sizeField = kArchiveHeaderSize + kFileItemHeadSize + 4;
  EncodeFixed32(reinterpret_cast<std::uint8_t*>(bytes.data()) + sizeField,
                DecodeFixed32(reinterpret_cast<const std::uint8_t*>(bytes.data()) + sizeField) - 1);
  RestoreFixture fixture;
  fixture.Profile().AddFavorite("a.url", "old");
  const RestoreSummary summary = fixture.Restore(bytes);
  EXPECT_NE(summary.outcome, RestoreOutcome::kOk);
  ASSERT_FALSE(summary.report.records.empty());
  EXPECT_EQ(summary.report.records[0].outcome, RecordOutcome::kDamaged) << FormatRestoreSummary(summary);
  EXPECT_EQ(fixture.Favorite("a.url"), "old");
}

TEST(RestoreFaults, StoredFolderMatchesFavoritesWithoutRegardToCase) {
  RestoreFixture fixture;
  ArchiveBuilder archive;
  archive.Header().File(u"%userprofile%\\FAVORITES\\Links", u"a.url", "a");
  const RestoreSummary summary = fixture.Restore(archive.Bytes());
  EXPECT_EQ(summary.outcome, RestoreOutcome::kOk) << FormatRestoreSummary(summary);
  EXPECT_EQ(fixture.Favorite("Links/a.url"), "a");
}

TEST(RestoreFaults, StaleTemporaryFilesAreRemovedAndNeverBackedUp) {
  RestoreFixture fixture;
  ProfileFixture& profile = fixture.Profile();
  const std::string live = ".quorvel-" + std::to_string(getpid()) + "-Live01.tmp";
  profile.AddFavorite("Sub/.quorvel-999999999-Dead01.tmp", "left by a killed restore");
  profile.AddFavorite("Sub/.quorvel-Old001.tmp", "left by an earlier release");
  profile.AddFavorite("Sub/" + live, "being written right now");
  profile.AddFavorite(".quorvel-notes.tmp", "the user's own");
  WriteFileBytes(profile.ProfileDir() / "NTUSER.DAT.quorvel-Old002", "a killed commit");

  BackupOptions options;
  options.strArchivePath = profile.WindowsPath(profile.Scratch("out.qvl"));
  const BackupSummary summary = RunBackup(options);
  ASSERT_TRUE(summary.bOk) << summary.strFailure;
  EXPECT_TRUE(summary.skipped.empty());
  std::vector<std::u16string> stored;
  for (const ParsedRecord& record : ParseArchive(ReadFileBytes(profile.Scratch("out.qvl"))).records) {
    stored.push_back(record.name);
  }
  EXPECT_EQ(stored, std::vector<std::u16string>{u".quorvel-notes.tmp"});
  EXPECT_EQ(SnapshotFiles(profile.ProfileDir()),
            (std::map<std::string, std::string>{{"Favorites/", ""},
                                                {"Favorites/.quorvel-notes.tmp", "the user's own"},
                                                {"Favorites/Sub/", ""},
                                                {"Favorites/Sub/" + live, "being written right now"}}));
}

TEST(RestoreFaults, ASecondJobOnTheProfileWaitsThenFailsNamingIt) {
  RestoreFixture fixture;
  ArchiveBuilder archive;
  archive.Header().File(kFavorites, u"a.url", "a");
  const UniqueProfileLock held(Os().LockProfile(0, true));
  ASSERT_TRUE(held.Valid());
  const std::string profileName = fixture.Profile().ProfileDir().string();

  const RestoreSummary restored = fixture.Restore(archive.Bytes());
  EXPECT_EQ(restored.outcome, RestoreOutcome::kFailed);
  EXPECT_NE(restored.strFailure.find(profileName + " is in use"), std::string::npos) << restored.strFailure;
  EXPECT_FALSE(std::filesystem::exists(fixture.Profile().FavoritesDir() / "a.url"));

  BackupOptions options;
  options.strArchivePath = fixture.Profile().WindowsPath(fixture.Profile().Scratch("out.qvl"));
  const BackupSummary backedUp = RunBackup(options);
  EXPECT_FALSE(backedUp.bOk);
  EXPECT_NE(backedUp.strFailure.find(profileName + " is in use"), std::string::npos) << backedUp.strFailure;
}

TEST(RestoreFaults, AStopDropsTheRecordInProgressAndKeepsWhatCameBefore) {
  RestoreFixture fixture;
  fixture.Profile().AddFavorite("big.bin", "the earlier content");
  ArchiveBuilder archive;
  archive.Header().File(kFavorites, u"first.url", "first").File(kFavorites, u"big.bin", Bytes(3 * kBlockSize));
  archive.WriteTo(fixture.ArchiveFile());
  std::atomic<bool> stop{false};
  int posts = 0;
  // The window asks to stop at the second progress post: after the first block of
  // the big record, the first one being done.
  const WindowHandle window = fixture.Profile().platform().RegisterWindow(
      [&](std::uint32_t message, std::uint64_t wParam, std::int64_t) {
        if (message == WM_JOB_PROGRESS && wParam != 0 && ++posts == 2) stop = true;
      });
  RestoreJobOptions options;
  options.strArchivePath = fixture.ArchivePath();
  options.hNotifyWindow = window;
  options.pStopFlag = &stop;
  const RestoreSummary summary = RunRestore(options);
  fixture.Profile().platform().UnregisterWindow(window);
  EXPECT_EQ(summary.outcome, RestoreOutcome::kPartial);
  EXPECT_TRUE(summary.report.bStopped);
  EXPECT_EQ(fixture.Favorite("first.url"), "first");
  EXPECT_EQ(SnapshotFiles(fixture.Profile().FavoritesDir()),
            (std::map<std::string, std::string>{{"big.bin", "the earlier content"}, {"first.url", "first"}}));
}

}  // namespace
}  // namespace qv::test
