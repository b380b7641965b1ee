// Backups restored into an empty profile give back every file and every value, in
// every combination of compression and protection (none, DES, sealed); archives
// shaped like another writer's restore too.
#include <gtest/gtest.h>

#include <filesystem>

#include "jobs/backup_job.h"
#include "jobs/restore_job.h"
#include "jobs/restore_summary_text.h"
#include "tests/support/archive_builder.h"
#include "tests/support/restore_fixture.h"
#include "tests/support/run_tool.h"
#include "tests/support/temp_dir.h"

namespace qv::test {
namespace {

constexpr char16_t kIe[] = u"Software\\Microsoft\\Internet Explorer";
constexpr char16_t kMain[] = u"Software\\Microsoft\\Internet Explorer\\Main";

void FillSource(ProfileFixture& source) {
  source.AddFavorite("c.url", "[InternetShortcut]\r\nURL=http://example.org/\r\n");
  source.AddFavorite("Links/a.url", "[InternetShortcut]\r\nURL=http://example.com/\r\n");
  source.AddFavorite("empty.url", "");
  source.AddFavorite(".hidden", "h");
  source.AddFavorite("..dots.url", "d");
  source.AddFavorite("Caf\xc3\xa9 \xe4\xb8\xad/\xc3\xbc" "ber.url", "non-ASCII");
  source.AddFavorite("A/B/C/deep.url", "deep");
  source.AddFavorite("big.bin", Bytes(250000, 3));
  source.SetValue(kMain, u"Start Page", kRegSz, Utf16Bytes(u"http://example.org/") + std::string(2, '\0'));
  source.SetValue(kMain, u"Big", kRegBinary, Bytes(20000, 5));
  source.SetValue(kMain, u"Huge", kRegBinary, Bytes(150000, 9));
  source.SetValue(kMain, u"Dword", kRegDword, std::string("\x01\x02\x03\x04", 4));
  source.SetValue(kMain, u"Empty", kRegBinary, "");
  source.SetValue(std::u16string(kIe) + u"\\Sub", u"", kRegSz, Utf16Bytes(u"default") + std::string(2, '\0'));
  source.SetValue(std::u16string(kIe) + u"\\\u00dcn\u00ef", u"W\u00e9rt", kRegMultiSz,
                  Utf16Bytes(u"a") + std::string(2, '\0') + Utf16Bytes(u"b") + std::string(4, '\0'));
}

TEST(RoundTrip, EveryOptionCombinationGivesBackEveryFileAndValue) {
  RestoreFixture source;
  FillSource(source.Profile());
  const auto files = SnapshotFiles(source.Profile().FavoritesDir());
  const auto values = source.CommittedTree(kIe);
  ASSERT_EQ(values.size(), 7u);

  for (const bool compress : {false, true}) {
    // No protection, DES, and the sealed form.
    for (const int protection : {0, 1, 2}) {
      const bool protect = protection != 0;
      SCOPED_TRACE(testing::Message() << "compress " << compress << ", protection " << protection);
      RestoreFixture target;
      ASSERT_FALSE(std::filesystem::exists(target.Profile().HivePath()));
      BackupOptions backup;
      backup.strArchivePath = target.ArchivePath();
      backup.bCompress = compress;
      backup.bProtect = protect;
      backup.bSealed = protection == 2;
      backup.sealCost = ScryptCost{10, 8, 1};
      backup.strPassword = protection == 2 ? u"pa\u00dfword \u4e2d\U0001F600" : u"pa\u00dfword";
      {
        ScopedPlatform useSource(source.Profile().platform());
        const BackupSummary made = RunBackup(backup);
        ASSERT_TRUE(made.bOk) << made.strFailure;
      }
      RestoreJobOptions restore;
      restore.strArchivePath = target.ArchivePath();
      restore.strPassword = protect ? backup.strPassword : u"";
      const RestoreSummary summary = RunRestore(restore);
      EXPECT_EQ(summary.outcome, RestoreOutcome::kOk) << FormatRestoreSummary(summary);
      EXPECT_TRUE(SnapshotFiles(target.Profile().FavoritesDir()) == files);
      EXPECT_TRUE(target.CommittedTree(kIe) == values);
    }
  }
}

// LZMA data as another encoder writes it: with an end marker after the data, and
// the plain size known to the block.
std::string LzmaBlockWithEndMarker(const std::string& plain) {
  ToolResult xz = RunTool("xz --format=lzma --lzma1=preset=6,dict=2MiB -c", plain);
  if (xz.exitCode != 0 || xz.output.size() < 13) return {};
  std::string alone = xz.output;
  for (int i = 0; i < 8; ++i) alone[5 + i] = static_cast<char>((static_cast<std::uint64_t>(plain.size()) >> (8 * i)) & 0xFF);
  return std::string("\x01\x00", 2) + alone;
}

TEST(RoundTrip, BlocksWithAnLzmaEndMarkerRestore) {
  if (!ToolAvailable("xz")) GTEST_SKIP() << "xz is not installed";
  RestoreFixture target;
  const std::string plain = Bytes(120000, 4);
  const Coding compressed{true, false, u""};
  const Coding both{true, true, u"secret1"};
  const std::string first = LzmaBlockWithEndMarker(plain.substr(0, kBlockSize));
  const std::string second = LzmaBlockWithEndMarker(plain.substr(kBlockSize));
  ASSERT_FALSE(first.empty());
  ArchiveBuilder archive;
  archive.Header(true, u"secret1")
      .FileHead(u"%USERPROFILE%\\Favorites", u"marker.bin", compressed).RawBlock(first).RawBlock(second).EndMarker()
      .ValueHead(kMain, u"Marker", kRegBinary, both)
      .RawBlock(EncodePayload(first, Coding{false, true, u"secret1"}))
      .RawBlock(EncodePayload(second, Coding{false, true, u"secret1"}))
      .EndMarker();
  const RestoreSummary summary = target.Restore(archive.Bytes(), u"secret1");
  EXPECT_EQ(summary.outcome, RestoreOutcome::kOk) << FormatRestoreSummary(summary);
  EXPECT_TRUE(target.Favorite("marker.bin") == plain);
  EXPECT_TRUE(target.CommittedValue(kMain, u"Marker") == (StoredValue{kRegBinary, plain}));
}

TEST(RoundTrip, ARealHiveStaysReadableWithEveryRestoredValue) {
  if (!ToolAvailable("hivexregedit")) GTEST_SKIP() << "hivexregedit is not installed";
  RestoreFixture target;
  if (!target.Profile().UseSharedHive()) GTEST_SKIP() << "the shared NTUSER.DAT is absent";
  const std::u16string key = std::u16string(kIe) + u"\\Quorvel Restore Test";
  ArchiveBuilder archive;
  archive.Header()
      .Value(key, u"Text", kRegSz, Utf16Bytes(u"restored text") + std::string(2, '\0'))
      .Value(key, u"Blob", kRegBinary, Bytes(30000, 6), Coding{true, false, u""})
      .Value(kMain, u"Quorvel Dword", kRegDword, std::string("\x2a\0\0\0", 4))
      .Value(key, u"Nothing", kRegBinary, "");
  const RestoreSummary summary = target.Restore(archive.Bytes());
  ASSERT_EQ(summary.outcome, RestoreOutcome::kOk) << FormatRestoreSummary(summary);

  const ToolResult exported = RunTool("hivexregedit --export '" + target.Profile().HivePath().string() +
                                      "' '\\Software\\Microsoft\\Internet Explorer'");
  ASSERT_EQ(exported.exitCode, 0);
  const std::string& text = exported.output;
  EXPECT_NE(text.find("[\\Software\\Microsoft\\Internet Explorer\\Quorvel Restore Test]"), std::string::npos);
  for (const char* name : {"\"Text\"=", "\"Blob\"=", "\"Quorvel Dword\"=", "\"Nothing\"="}) {
    EXPECT_NE(text.find(name), std::string::npos) << name;
  }
  EXPECT_TRUE(target.CommittedValue(key, u"Blob") == (StoredValue{kRegBinary, Bytes(30000, 6)}));
}

}  // namespace
}  // namespace qv::test
