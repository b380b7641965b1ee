#include "jobs/job_problem_text.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace qv {
namespace {

// Texts are appended piece by piece: g++ 12 at -O3 warns falsely (-Wrestrict)
// about "literal" + std::string.

struct Reason {
  std::string strWhat;
  std::string strWhy;
};

void AppendCount(std::string& text, std::uint64_t count, const char* one, const char* many) {
  text += std::to_string(count);
  text += ' ';
  text += count == 1 ? one : many;
}

// Appends `sentence` with one blank before it (when text is not empty) and a full
// stop after it (when it ends without one).
void AppendSentence(std::string& text, std::string_view sentence) {
  while (!sentence.empty() && (sentence.back() == '\n' || sentence.back() == ' ')) sentence.remove_suffix(1);
  if (sentence.empty()) return;
  if (!text.empty()) text += ' ';
  text += sentence;
  if (sentence.back() != '.' && sentence.back() != '!' && sentence.back() != '?') text += '.';
}

void AppendLabelled(std::string& text, std::string_view label, const std::string& detail) {
  std::string sentence(label);
  sentence += detail;
  AppendSentence(text, sentence);
}

// "First reasons: a: why; b: why; and 4 more."
void AppendReasons(std::string& text, const std::vector<Reason>& reasons) {
  std::string sentence = reasons.size() == 1 ? "Reason: " : "First reasons: ";
  const std::size_t shown = std::min(reasons.size(), kProblemReasonsShown);
  for (std::size_t i = 0; i < shown; ++i) {
    if (i > 0) sentence += "; ";
    sentence += reasons[i].strWhat;
    if (!reasons[i].strWhy.empty()) {
      sentence += ": ";
      sentence += reasons[i].strWhy;
    }
  }
  if (reasons.size() > shown) {
    sentence += "; and ";
    sentence += std::to_string(reasons.size() - shown);
    sentence += " more";
  }
  AppendSentence(text, sentence);
}

}  // namespace

std::string BackupProblemText(const BackupSummary& summary) {
  std::string text;
  if (summary.bStopped) {
    AppendSentence(text, "The backup was stopped, so no archive was written");
  } else if (!summary.bOk) {
    AppendSentence(text, "The backup failed, so no archive was written and any earlier file at that "
                         "path is unchanged");
    AppendLabelled(text, "Reason: ", summary.strFailure);
  } else if (!summary.skipped.empty()) {
    std::vector<Reason> reasons;
    for (const SkippedSource& entry : summary.skipped) reasons.push_back({entry.strPath, entry.strReason});
    std::string sentence = "The archive was written, but ";
    AppendCount(sentence, reasons.size(), "entry was", "entries were");
    sentence += " left out of it";
    AppendSentence(text, sentence);
    AppendReasons(text, reasons);
  }
  return text;
}

std::string RestoreProblemText(const RestoreSummary& summary) {
  std::string text;
  if (summary.check != ArchiveCheckResult::kOk) {
    AppendSentence(text, summary.strMessage);
    return text;
  }
  if (!summary.strFailure.empty()) {
    AppendLabelled(text, "The restore did not start: ", summary.strFailure);
    return text;
  }
  if (summary.outcome == RestoreOutcome::kOk) return text;
  const RestoreReport& report = summary.report;
  if (report.bOpenFailed) {
    AppendLabelled(text, "The archive could not be read: ", report.strEndReason);
    return text;
  }

  std::vector<Reason> reasons;
  for (const RecordResult& record : report.records) {
    if (record.outcome != RecordOutcome::kRestored) reasons.push_back({record.strTarget, record.strReason});
  }
  if (!reasons.empty()) {
    std::string sentence;
    AppendCount(sentence, reasons.size(), "entry", "entries");
    sentence += " of ";
    sentence += std::to_string(report.records.size());
    sentence += reasons.size() == 1 ? " was not restored" : " were not restored";
    AppendSentence(text, sentence);
    AppendReasons(text, reasons);
  } else if (!report.bStopped) {
    AppendSentence(text, "Every entry was restored, but the archive is not intact");
  }
  if (report.bStopped) AppendSentence(text, "The restore was stopped before the end of the archive");
  if (report.bEndedEarly) AppendLabelled(text, "The archive ended early: ", report.strEndReason);
  if (report.nUnknownKindCodes > 0) {
    std::string sentence;
    AppendCount(sentence, report.nUnknownKindCodes, "unknown part of the archive was",
                "unknown parts of the archive were");
    sentence += " passed over";
    AppendSentence(text, sentence);
  }
  if (reasons.empty() && !summary.strRegistryProblem.empty()) {
    AppendLabelled(text, "Settings: ", summary.strRegistryProblem);
  }
  return text;
}

}  // namespace qv
