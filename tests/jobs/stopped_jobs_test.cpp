// Jobs tell a front end how far the whole job is and what they work on, and a job
// stopped part way counts what it did against all there was, never as complete.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "jobs/backup_job.h"
#include "jobs/extract/extract_job.h"
#include "platform/text/text.h"
#include "tests/support/archive_builder.h"
#include "tests/support/profile_fixture.h"

namespace qv::test {
namespace {

constexpr char16_t kFavorites[] = u"%USERPROFILE%\\Favorites";

// Keeps what a job tells; sets `stop` once the job is `stopAt` bytes in (0: never).
class Steps final : public ProgressSink {
 public:
  Steps(std::atomic<bool>& stop, std::uint64_t stopAt) : m_stop(stop), m_nStopAt(stopAt) {}
  void OnProgress(std::string_view item, std::uint64_t done, std::uint64_t total) override {
    steps.push_back({std::string(item), done, total});
    if (m_nStopAt != 0 && done >= m_nStopAt) m_stop = true;
  }
  struct Step {
    std::string strItem;
    std::uint64_t nDone;
    std::uint64_t nTotal;
  };
  std::vector<Step> steps;

 private:
  std::atomic<bool>& m_stop;
  std::uint64_t m_nStopAt;
};

constexpr std::size_t kFileBytes = 250000;

// The whole job, item by item, never back to 0 at the next item; stopped, the
// records stored count against every record the profile holds.
TEST(StoppedJobs, ABackupCountsOverTheWholeProfile) {
  for (const bool stopped : {false, true}) {
    SCOPED_TRACE(stopped);
    ProfileFixture profile;
    // Names appended, not literal + string: g++ 12 at -O3 warns falsely (-Wrestrict).
    for (int i = 0; i < 6; ++i) profile.AddFavorite(std::string("f").append(std::to_string(i)).append(".bin"), Bytes(kFileBytes, i));
    profile.SetValue(kIeKey, u"Blob", kRegBinary, Bytes(kFileBytes, 9));
    std::atomic<bool> stop{false};
    Steps steps(stop, stopped ? 2 * kFileBytes + 1 : 0);
    BackupOptions options;
    options.strArchivePath = profile.WindowsPath(profile.Scratch("out.qvl"));
    options.pProgress = &steps;
    options.pStopFlag = &stop;
    const BackupSummary summary = RunBackup(options);

    EXPECT_EQ(summary.nProfileRecords, 7u);
    ASSERT_FALSE(steps.steps.empty());
    for (std::size_t i = 1; i < steps.steps.size(); ++i) {
      EXPECT_GE(steps.steps[i].nDone, steps.steps[i - 1].nDone) << i;
      if (steps.steps[i].nTotal != 0) {
        EXPECT_EQ(steps.steps[i].nTotal, 7 * kFileBytes) << i;
      }
    }
    EXPECT_EQ(steps.steps.front().strItem, "Favorites");
    if (!stopped) {
      EXPECT_TRUE(summary.bOk) << summary.strFailure;
      EXPECT_EQ(summary.Records(), 7u);
      EXPECT_EQ(steps.steps.back().strItem, "IE Settings");
      EXPECT_EQ(steps.steps.back().nDone, 7 * kFileBytes);
      continue;
    }
    EXPECT_FALSE(summary.bOk);
    EXPECT_TRUE(summary.bStopped);
    EXPECT_EQ(summary.Records(), 2u) << "the favorite it stopped in is not stored";
    EXPECT_NE(summary.strFailure.find("after 2 of 7 records"), std::string::npos) << summary.strFailure;
    EXPECT_FALSE(std::filesystem::exists(profile.Scratch("out.qvl")));
  }
}

// A stopped extract counts the selected records it did not reach, by the same
// patterns, and a pattern that only those match did match.
TEST(StoppedJobs, AnExtractCountsEverySelectedRecordOfTheArchive) {
  ProfileFixture profile;
  ArchiveBuilder archive;
  archive.Header();
  for (int i = 0; i < 6; ++i) {
    archive.File(std::u16string(kFavorites) + (i % 2 == 0 ? u"\\Even" : u"\\Odd"), std::u16string(u"f").append(FromUtf8(std::to_string(i))),
                 Bytes(kFileBytes, i));
  }
  archive.WriteTo(profile.Scratch("a.qvl"));
  struct Case {
    std::vector<std::u16string> patterns;
    std::uint64_t nSelected;
    std::uint64_t nNotSelected;
  };
  for (const Case& c : {Case{{}, 6, 0}, Case{{u"Odd"}, 3, 3}}) {
    std::atomic<bool> stop{false};
    Steps steps(stop, 116 + 2 * archive.Size() / 6);  // inside the third record
    ExtractOptions options;
    options.strArchivePath = profile.WindowsPath(profile.Scratch("a.qvl"));
    options.patterns = c.patterns;
    options.pProgress = &steps;
    options.pStopFlag = &stop;
    const ExtractSummary summary = RunExtract(options);
    EXPECT_TRUE(summary.report.bStopped);
    EXPECT_EQ(summary.report.nRecordsLeft, 3u) << "the records after the third";
    EXPECT_EQ(summary.Selected(), c.nSelected);
    EXPECT_EQ(summary.nNotSelected, c.nNotSelected);
    EXPECT_LT(summary.Count(RecordOutcome::kRestored), c.nSelected);
    EXPECT_TRUE(summary.unmatchedPatterns.empty());
    EXPECT_EQ(summary.outcome, RestoreOutcome::kPartial);
    EXPECT_FALSE(steps.steps.empty());
    EXPECT_EQ(steps.steps.front().strItem.rfind("favorite %USERPROFILE%\\Favorites\\Even\\f0", 0), 0u);
  }
}

}  // namespace
}  // namespace qv::test
