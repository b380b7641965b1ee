// Backups of profiles whose NTUSER.DAT is damaged: a walk that could go round for
// ever, and keys that cannot be read, must end and say what they left out, never
// pass for a profile without settings.
#include <gtest/gtest.h>
#include <hivex.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "jobs/backup_job.h"
#include "jobs/restore_job.h"
#include "jobs/restore_summary_text.h"
#include "platform/coding.h"
#include "tests/support/archive_builder.h"
#include "tests/support/archive_parser.h"
#include "tests/support/profile_fixture.h"
#include "tests/support/restore_fixture.h"

namespace qv::test {
namespace {

bool Mentions(const BackupSummary& summary, const std::string& words) {
  for (const SkippedSource& entry : summary.skipped) {
    if (entry.strReason.find(words) != std::string::npos) return true;
  }
  return false;
}

BackupSummary BackUp(ProfileFixture& profile) {
  BackupOptions options;
  options.strArchivePath = profile.WindowsPath(profile.Scratch("out.qvl"));
  return RunBackup(options);
}

// Points the first entry of the IE key's subkey list back at the IE key itself.
void MakeTheIeKeyItsOwnSubkey(const std::filesystem::path& hivePath) {
  hive_h* hive = hivex_open(hivePath.c_str(), 0);
  ASSERT_NE(hive, nullptr);
  hive_node_h node = hivex_root(hive);
  for (const char* name : {"Software", "Microsoft", "Internet Explorer"}) node = hivex_node_get_child(hive, node, name);
  hivex_close(hive);
  ASSERT_NE(node, 0u);
  std::fstream file(hivePath, std::ios::in | std::ios::out | std::ios::binary);
  std::uint8_t field[4];
  // The key's cell: size, "nk", flags, time stamp, spare, parent, two counts, then
  // the offset of its subkey list, whose first entry follows size, id and count.
  file.seekg(static_cast<std::streamoff>(node + 32));
  file.read(reinterpret_cast<char*>(field), 4);
  const std::uint32_t list = DecodeFixed32(field) + 0x1000;
  EncodeFixed32(field, static_cast<std::uint32_t>(node - 0x1000));
  file.seekp(static_cast<std::streamoff>(list + 8));
  file.write(reinterpret_cast<const char*>(field), 4);
  ASSERT_TRUE(file.good());
}

TEST(HostileHive, ASubkeyEntryLeadingBackIsLeftOutAndReported) {
  ProfileFixture profile;
  profile.SetValue(kIeKey, u"Top", kRegSz, "t");
  profile.SetValue(std::u16string(kIeKey) + u"\\Loop", u"Inner", kRegSz, "i");
  MakeTheIeKeyItsOwnSubkey(profile.HivePath());

  const BackupSummary summary = BackUp(profile);
  ASSERT_TRUE(summary.bOk) << summary.strFailure;
  EXPECT_TRUE(Mentions(summary, "not its own")) << "the damage is reported";
  const ParsedArchive parsed = ParseArchive(ReadFileBytes(profile.Scratch("out.qvl")));
  ASSERT_TRUE(parsed.ok);
  EXPECT_EQ(parsed.records.size(), 1u) << "the IE key's own value, once";
}

TEST(HostileHive, ACutShortHiveIsReportedNotTakenForNoSettings) {
  ProfileFixture profile;
  if (!profile.UseSharedHive()) GTEST_SKIP() << "the shared NTUSER.DAT is absent";
  std::filesystem::resize_file(profile.HivePath(), 458752);
  const BackupSummary summary = BackUp(profile);
  EXPECT_TRUE(!summary.bOk || !summary.skipped.empty()) << "the lost settings must show";
}

// Opening a FIFO waits for a writer: a hive that is one, itself or at the end of a
// link inside the profile, is refused unopened, and both jobs end saying why.
TEST(HostileHive, AHiveThatIsNoRegularFileIsRefusedUnopened) {
  for (const bool linked : {false, true}) {
    SCOPED_TRACE(linked ? "a link to a FIFO" : "a FIFO");
    RestoreFixture fixture;
    ProfileFixture& profile = fixture.Profile();
    const std::filesystem::path fifo = linked ? profile.ProfileDir() / "elsewhere.fifo" : profile.HivePath();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    if (linked) std::filesystem::create_symlink("elsewhere.fifo", profile.HivePath());

    const BackupSummary backup = BackUp(profile);
    EXPECT_TRUE(Mentions(backup, "is a FIFO, not a hive file")) << "the lost settings must show";

    const std::string archive = ArchiveBuilder()
                                    .Header()
                                    .File(u"%USERPROFILE%\\Favorites", u"a.url", "a")
                                    .Value(kIeKey, u"V", kRegSz, "v")
                                    .Bytes();
    for (const bool dryRun : {true, false}) {
      const RestoreSummary restore = fixture.Restore(archive, u"", dryRun);
      EXPECT_EQ(restore.outcome, RestoreOutcome::kPartial) << FormatRestoreSummary(restore);
      EXPECT_NE(restore.strRegistryProblem.find("is a FIFO, not a hive file"), std::string::npos)
          << restore.strRegistryProblem;
    }
    EXPECT_EQ(fixture.Favorite("a.url"), "a");
  }
}

}  // namespace
}  // namespace qv::test
