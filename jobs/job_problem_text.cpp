#include "jobs/job_problem_text.h"

#include <vector>

namespace qv {
namespace {

struct Reason {
  std::string strWhat;
  std::string strWhy;
};

std::string Plural(std::uint64_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string WithFullStop(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  if (!text.empty() && text.back() != '.' && text.back() != '!' && text.back() != '?') text += '.';
  return text;
}

// "First reasons: a: why; b: why; and 4 more."
std::string ReasonList(const std::vector<Reason>& reasons) {
  std::string text = reasons.size() == 1 ? "Reason: " : "First reasons: ";
  const std::size_t shown = std::min(reasons.size(), kProblemReasonsShown);
  for (std::size_t i = 0; i < shown; ++i) {
    if (i > 0) text += "; ";
    text += reasons[i].strWhy.empty() ? reasons[i].strWhat : reasons[i].strWhat + ": " + reasons[i].strWhy;
  }
  if (reasons.size() > shown) text += "; and " + std::to_string(reasons.size() - shown) + " more";
  return text + ".";
}

}  // namespace

std::string BackupProblemText(const BackupSummary& summary) {
  if (summary.bStopped) return "The backup was stopped, so no archive was written.";
  if (!summary.bOk) {
    return "The backup failed, so no archive was written and any earlier file at that path is "
           "unchanged. " + WithFullStop("Reason: " + summary.strFailure);
  }
  if (summary.skipped.empty()) return {};
  std::vector<Reason> reasons;
  for (const SkippedSource& entry : summary.skipped) reasons.push_back({entry.strPath, entry.strReason});
  return "The archive was written, but " + Plural(reasons.size(), "entry was", "entries were") +
         " left out of it. " + ReasonList(reasons);
}

std::string RestoreProblemText(const RestoreSummary& summary) {
  if (summary.check != ArchiveCheckResult::kOk) return WithFullStop(summary.strMessage);
  if (summary.outcome == RestoreOutcome::kOk) return {};
  const RestoreReport& report = summary.report;
  if (report.bOpenFailed) return WithFullStop("The archive could not be read: " + report.strEndReason);

  std::vector<Reason> reasons;
  for (const RecordResult& record : report.records) {
    if (record.outcome != RecordOutcome::kRestored) reasons.push_back({record.strTarget, record.strReason});
  }
  std::string text;
  if (!reasons.empty()) {
    text = Plural(reasons.size(), "entry", "entries") + " of " + std::to_string(report.records.size()) +
           (reasons.size() == 1 ? " was" : " were") + " not restored. " + ReasonList(reasons);
  } else {
    text = "Every entry was restored, but the archive is not intact.";
  }
  if (report.bEndedEarly) text += " " + WithFullStop("The archive ended early: " + report.strEndReason);
  if (report.nUnknownKindCodes > 0) {
    text += " " + Plural(report.nUnknownKindCodes, "unknown part of the archive was", "unknown parts of the archive were") +
            " passed over.";
  }
  if (reasons.empty() && !summary.strRegistryProblem.empty()) {
    text += " " + WithFullStop("Settings: " + summary.strRegistryProblem);
  }
  return text;
}

}  // namespace qv
