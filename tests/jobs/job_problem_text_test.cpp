// What the window tells of a job that did not fully succeed: a short text that
// gives each reason at most once, and the entries behind it, one line each.
#include "jobs/job_problem_text.h"

#include <gtest/gtest.h>

#include <functional>

namespace qv::test {
namespace {

const std::string kCutShort = "the block head at offset 90 is cut short";
const std::string kHive = "the registry hive cannot be written: it is dirty";

RecordResult Record(std::string target, RecordOutcome outcome = RecordOutcome::kRestored, std::string why = "") {
  RecordResult record;
  record.strTarget = std::move(target);
  record.outcome = outcome;
  record.strReason = std::move(why);
  return record;
}

RestoreSummary Partial(std::vector<RecordResult> records) {
  RestoreSummary summary;
  summary.check = ArchiveCheckResult::kOk;
  summary.outcome = RestoreOutcome::kPartial;
  summary.report.records = std::move(records);
  return summary;
}

struct Case {
  const char* strName;
  std::function<ProblemText()> describe;
  std::string strText;
  std::string strDetails;
};

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST(JobProblemText, ShortTextAndOneLinePerEntry) {
  const Case cases[] = {
      {"backup leaves entries out",
       [] {
         BackupSummary summary;
         summary.bOk = true;
         summary.skipped = {{"/p/Favorites/a\\b.url", "the name holds a backslash"}, {"/p/Favorites/c.url", "gone"}};
         return BackupProblem(summary);
       },
       "The archive was written, but 2 entries were left out of it.",
       "/p/Favorites/a\\b.url: the name holds a backslash\n/p/Favorites/c.url: gone\n"},
      {"the record cut short names why the archive ended",
       [] {
         RestoreSummary summary =
             Partial({Record("favorite a.url"), Record("favorite b.url", RecordOutcome::kCutShort, kCutShort)});
         summary.report.bEndedEarly = true;
         summary.report.strEndReason = kCutShort;
         return RestoreProblem(summary);
       },
       "1 entry of 2 was not restored. The archive ended early.", "favorite b.url: " + kCutShort + "\n"},
      {"an archive that ends between records",
       [] {
         RestoreSummary summary = Partial({Record("favorite a.url")});
         summary.report.bEndedEarly = true;
         summary.report.strEndReason = kCutShort;
         return RestoreProblem(summary);
       },
       "Every entry was restored, but the archive is not intact. The archive ended early.",
       "The archive ended early: " + kCutShort + ".\n"},
      {"settings the hive would not take",
       [] {
         RestoreSummary summary =
             Partial({Record("favorite a.url"), Record("setting Start Page", RecordOutcome::kSkipped, kHive)});
         summary.strRegistryProblem = kHive;
         return RestoreProblem(summary);
       },
       "1 entry of 2 was not restored.", "setting Start Page: " + kHive + "\n"},
      {"stopped",
       [] {
         RestoreSummary summary = Partial({Record("favorite a.url")});
         summary.report.bStopped = true;
         summary.report.nUnknownKindCodes = 2;
         return RestoreProblem(summary);
       },
       "The restore was stopped before the end of the archive.",
       "2 unknown parts of the archive were passed over.\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.strName);
    const ProblemText problem = c.describe();
    EXPECT_EQ(problem.strText, c.strText);
    EXPECT_EQ(problem.strDetails, c.strDetails);
  }
}

TEST(JobProblemText, DetailsStopAfterTheirLimit) {
  std::vector<RecordResult> records;
  for (std::size_t i = 0; i < kProblemDetailsShown + 5; ++i) {
    records.push_back(Record("favorite " + std::to_string(i), RecordOutcome::kSkipped, "why"));
  }
  const ProblemText problem = RestoreProblem(Partial(std::move(records)));
  EXPECT_EQ(Count(problem.strDetails, "\n"), kProblemDetailsShown + 1);
  EXPECT_TRUE(problem.strDetails.ends_with("\nand 5 more\n"));
  EXPECT_EQ(problem.strText, std::to_string(kProblemDetailsShown + 5) + " entries of " +
                                 std::to_string(kProblemDetailsShown + 5) + " were not restored.");
}

}  // namespace
}  // namespace qv::test
