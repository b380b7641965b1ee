// The window's text for a restore that did not fully succeed: each reason once,
// and the entries behind the text, one line each, up to a limit.
#include "jobs/job_problem_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

namespace qv::test {
namespace {

const std::string kCut = "the block head at offset 90 is cut short";
const std::string kHive = "the registry hive cannot be written: it is dirty";

RestoreSummary Partial(std::size_t restored, std::size_t lost, const std::string& why) {
  RestoreSummary summary;
  summary.check = ArchiveCheckResult::kOk;
  summary.outcome = RestoreOutcome::kPartial;
  for (std::size_t i = 0; i < restored + lost; ++i) {
    RecordResult record;
    record.strTarget = "entry " + std::to_string(i);
    if (i >= restored) record.outcome = RecordOutcome::kSkipped;
    if (i >= restored) record.strReason = why;
    summary.report.records.push_back(record);
  }
  return summary;
}

TEST(JobProblemText, EachReasonOnce) {
  RestoreSummary cut = Partial(1, 1, kCut);  // the last entry names why the archive ended
  cut.report.bEndedEarly = true;
  cut.report.strEndReason = kCut;
  RestoreSummary between = Partial(1, 0, "");  // it ended between records
  between.report.bEndedEarly = true;
  between.report.strEndReason = kCut;
  RestoreSummary hive = Partial(1, 1, kHive);
  hive.strRegistryProblem = kHive;
  RestoreSummary stopped = Partial(1, 1, "why");  // counted against the whole archive
  stopped.report.bStopped = true;
  stopped.report.nRecordsLeft = 3;
  const struct {
    RestoreSummary summary;
    std::string strText;
    std::string strDetails;
  } cases[] = {
      {std::move(cut), "1 entry of 2 was not restored. The archive ended early.", "entry 1: " + kCut + "\n"},
      {std::move(between), "Every entry was restored, but the archive is not intact. The archive ended early.",
       "The archive ended early: " + kCut + ".\n"},
      {std::move(hive), "1 entry of 2 was not restored.", "entry 1: " + kHive + "\n"},
      {std::move(stopped),
       "4 entries of 5 were not restored. The restore was stopped before the end of the archive, and 3 "
       "entries after it were not read.",
       "entry 1: why\n"},
  };
  for (const auto& c : cases) {
    const ProblemText problem = RestoreProblem(c.summary);
    EXPECT_EQ(problem.strText, c.strText);
    EXPECT_EQ(problem.strDetails, c.strDetails);
  }
}

TEST(JobProblemText, DetailsStopAtTheirLimit) {
  const ProblemText problem = RestoreProblem(Partial(0, kProblemDetailsShown + 5, "why"));
  EXPECT_EQ(std::count(problem.strDetails.begin(), problem.strDetails.end(), '\n'), kProblemDetailsShown + 1);
  EXPECT_TRUE(problem.strDetails.ends_with("\nand 5 more\n"));
}

}  // namespace
}  // namespace qv::test
