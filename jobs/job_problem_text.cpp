#include "jobs/job_problem_text.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace qv {
namespace {

// Texts are appended piece by piece: g++ 12 at -O3 warns falsely (-Wrestrict)
// about "literal" + std::string.

struct Entry {
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

// A sentence of its own line in the details.
void AppendDetail(std::string& details, std::string_view sentence) {
  std::string line;
  AppendSentence(line, sentence);
  if (line.empty()) return;
  details += line;
  details += '\n';
}

void AppendLabelledDetail(std::string& details, std::string_view label, const std::string& detail) {
  std::string sentence(label);
  sentence += detail;
  AppendDetail(details, sentence);
}

// "what: why" for each entry, up to kProblemDetailsShown of them, then how many of
// the `count` entries were left unnamed.
void AppendEntries(std::string& details, const std::vector<Entry>& entries, std::uint64_t count) {
  const std::size_t shown = std::min(entries.size(), kProblemDetailsShown);
  for (std::size_t i = 0; i < shown; ++i) {
    details += entries[i].strWhat;
    if (!entries[i].strWhy.empty()) {
      details += ": ";
      details += entries[i].strWhy;
    }
    details += '\n';
  }
  if (count > shown) {
    details += "and ";
    details += std::to_string(count - shown);
    details += " more\n";
  }
}

}  // namespace

ProblemText BackupProblem(const BackupSummary& summary) {
  ProblemText problem;
  std::string& text = problem.strText;
  if (summary.bStopped) {
    std::string sentence = "The backup was stopped after ";
    sentence += std::to_string(summary.Records());
    sentence += " of ";
    AppendCount(sentence, summary.nProfileRecords, "entry", "entries");
    sentence += ", so no archive was written";
    AppendSentence(text, sentence);
  } else if (!summary.bOk) {
    AppendSentence(text, "The backup failed, so no archive was written and any earlier file at that "
                         "path is unchanged");
    AppendLabelled(text, "Reason: ", summary.strFailure);
  } else if (!summary.skipped.empty()) {
    std::vector<Entry> entries;
    for (const SkippedSource& entry : summary.skipped) entries.push_back({entry.strPath, entry.strReason});
    std::string sentence = "The archive was written, but ";
    AppendCount(sentence, entries.size(), "entry was", "entries were");
    sentence += " left out of it";
    AppendSentence(text, sentence);
    AppendEntries(problem.strDetails, entries, entries.size());
  }
  return problem;
}

ProblemText RestoreProblem(const RestoreSummary& summary) {
  ProblemText problem;
  std::string& text = problem.strText;
  std::string& details = problem.strDetails;
  if (summary.check != ArchiveCheckResult::kOk) {
    AppendSentence(text, summary.strMessage);
    AppendDetail(details, summary.strDetail);
    return problem;
  }
  if (!summary.strFailure.empty()) {
    AppendLabelled(text, "The restore did not start: ", summary.strFailure);
    return problem;
  }
  if (summary.outcome == RestoreOutcome::kOk) return problem;
  const RestoreReport& report = summary.report;
  if (report.bOpenFailed) {
    AppendLabelled(text, "The archive could not be read: ", report.strEndReason);
    return problem;
  }

  // One walk: the entries the details name, how many there are, and whether one
  // of them gives a reason the details would otherwise add. An archive may hold any
  // number of records; the details name a bounded few.
  std::vector<Entry> entries;
  std::uint64_t nLost = 0;
  bool bEndReasonGiven = false;
  bool bRegistryProblemGiven = false;
  for (const RecordResult& record : report.records) {
    if (record.outcome == RecordOutcome::kRestored) continue;
    ++nLost;
    bEndReasonGiven = bEndReasonGiven || record.strReason == report.strEndReason;
    bRegistryProblemGiven = bRegistryProblemGiven || record.strReason == summary.strRegistryProblem;
    if (entries.size() < kProblemDetailsShown) entries.push_back({record.strTarget, record.strReason});
  }
  std::string unknown;
  if (report.nUnknownKindCodes > 0) {
    AppendCount(unknown, report.nUnknownKindCodes, "unknown part of the archive was",
                "unknown parts of the archive were");
    unknown += " passed over";
  }
  const bool bNotIntact = report.bEndedEarly || report.nUnknownKindCodes > 0 || report.nDamagedBlocks > 0;

  // The first sentence says what did not reach the profile; the second, if any,
  // the first of why the rest of the archive was not read: stopped, cut short,
  // or parts of it not understood.
  // A stopped restore counts against the whole archive: what it did not reach was
  // not restored either.
  const std::uint64_t nNotRestored = nLost + report.nRecordsLeft;
  if (nNotRestored > 0) {
    std::string sentence = report.bRecordsLeftExact ? "" : "At least ";
    AppendCount(sentence, nNotRestored, "entry", "entries");
    sentence += " of ";
    sentence += std::to_string(report.records.size() + report.nRecordsLeft);
    sentence += nNotRestored == 1 ? " was not restored" : " were not restored";
    AppendSentence(text, sentence);
  } else if (!report.bStopped && bNotIntact) {
    AppendSentence(text, "Every entry was restored, but the archive is not intact");
  } else if (!report.bStopped && !summary.strRegistryProblem.empty()) {
    AppendSentence(text, "The settings could not be written to the profile");
  }
  bool bUnknownTold = false;
  if (report.bStopped) {
    std::string sentence = "The restore was stopped before the end of the archive";
    if (report.nRecordsLeft > 0) {
      sentence += report.bRecordsLeftExact ? ", and " : ", and at least ";
      AppendCount(sentence, report.nRecordsLeft, "entry after it was", "entries after it were");
      sentence += " not read";
    }
    AppendSentence(text, sentence);
  } else if (report.bEndedEarly) {
    AppendSentence(text, "The archive ended early");
  } else if (!unknown.empty()) {
    AppendSentence(text, unknown);
    bUnknownTold = true;
  }

  // The details give each reason once: an entry that was cut short names already
  // why the archive ended, and each setting not written names the hive's problem.
  AppendEntries(details, entries, nLost);
  if (report.bEndedEarly && !bEndReasonGiven) {
    AppendLabelledDetail(details, "The archive ended early: ", report.strEndReason);
  }
  if (!unknown.empty() && !bUnknownTold) AppendDetail(details, unknown);
  if (!summary.strRegistryProblem.empty() && !bRegistryProblemGiven) {
    AppendLabelledDetail(details, "Settings: ", summary.strRegistryProblem);
  }
  return problem;
}

std::string BackupProblemText(const BackupSummary& summary) { return BackupProblem(summary).strText; }

std::string RestoreProblemText(const RestoreSummary& summary) { return RestoreProblem(summary).strText; }

}  // namespace qv
