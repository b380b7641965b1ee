#include "jobs/restore_summary_text.h"

#include "jobs/counted.h"

namespace qv {
namespace {

const char* DryRunVerb(const RecordResult& record) {
  switch (record.outcome) {
    case RecordOutcome::kRestored:
      return record.bReplaced ? "would replace" : "would write  ";
    case RecordOutcome::kSkipped:
      return "would skip   ";
    case RecordOutcome::kDamaged:
      return "damaged      ";
    case RecordOutcome::kCutShort:
      return "cut short    ";
  }
  return "";
}

const char* LossHeading(RecordOutcome outcome) {
  switch (outcome) {
    case RecordOutcome::kSkipped:
      return "Skipped";
    case RecordOutcome::kDamaged:
      return "Damaged";
    case RecordOutcome::kCutShort:
      return "Cut short";
    case RecordOutcome::kRestored:
      break;
  }
  return "";
}

std::string Line(const RecordResult& record, const ShownText& shown) {
  return record.strReason.empty() ? shown(record.strTarget) : shown(record.strTarget) + ": " + shown(record.strReason);
}

}  // namespace

const char* RestoreOutcomeName(RestoreOutcome outcome) {
  switch (outcome) {
    case RestoreOutcome::kOk:
      return "ok";
    case RestoreOutcome::kPartial:
      return "partial";
    case RestoreOutcome::kFailed:
      return "failed";
  }
  return "";
}

void WriteRestoreSummary(const RestoreSummary& summary, const ShownText& shownAsked, const TextSink& write) {
  const ShownText shown = shownAsked ? shownAsked : [](std::string_view text) { return std::string(text); };
  if (!summary.strFailure.empty()) {
    write("The restore did not start: " + shown(summary.strFailure) + ".\n");
    return;
  }
  if (summary.check != ArchiveCheckResult::kOk) {
    std::string text = summary.strMessage;
    if (text.empty() || text.back() != '\n') text += '\n';
    if (!summary.strDetail.empty()) text += "(" + summary.strDetail + ")\n";
    write(text);
    return;
  }
  const RestoreReport& report = summary.report;
  // Line by line: an archive of many records makes a long summary, never held whole.
  if (summary.bDryRun) {
    write("Dry run: nothing was changed.\n");
    for (const RecordResult& record : report.records) {
      write(std::string("  ") + DryRunVerb(record) + " " + Line(record, shown) + "\n");
    }
  } else {
    for (RecordOutcome outcome : {RecordOutcome::kSkipped, RecordOutcome::kDamaged, RecordOutcome::kCutShort}) {
      const std::uint64_t count = report.Count(outcome);
      if (count == 0) continue;
      write(std::string(LossHeading(outcome)) + " " + std::to_string(count) + ":\n");
      for (const RecordResult& record : report.records) {
        if (record.outcome == outcome) write("  " + Line(record, shown) + "\n");
      }
    }
  }
  std::uint64_t replaced = 0;
  for (const RecordResult& record : report.records) {
    replaced += record.outcome == RecordOutcome::kRestored && record.bReplaced ? 1 : 0;
  }
  std::string text = std::string(summary.bDryRun ? "Would restore " : "Restored ") +
                     std::to_string(report.Count(RecordOutcome::kRestored)) + " of " +
                     Counted(report.records.size(), "record") + " (" + Counted(report.BytesRestored(), "byte") +
                     ", " + std::to_string(replaced) + " replacing an existing target).\n";
  if (report.nDamagedBlocks > 0) {
    text += Counted(report.nDamagedBlocks, "data block") + " could not be decoded.\n";
  }
  if (report.nUnknownKindCodes > 0) {
    text += "Passed over " + Counted(report.nUnknownKindCodes, "unknown kind code") + " (4 bytes each).\n";
  }
  if (report.bOpenFailed) text += "The archive could not be read: " + shown(report.strEndReason) + ".\n";
  if (report.bEndedEarly) text += "The archive ended early: " + shown(report.strEndReason) + ".\n";
  if (report.bStopped) text += "Stopped before the end of the archive, as asked.\n";
  if (!summary.strRegistryProblem.empty()) text += "Settings: " + shown(summary.strRegistryProblem) + ".\n";
  text += std::string("Outcome: ") + RestoreOutcomeName(summary.outcome) + "\n";
  write(text);
}

std::string FormatRestoreSummary(const RestoreSummary& summary, const ShownText& shown) {
  std::string text;
  WriteRestoreSummary(summary, shown, [&text](std::string_view piece) { text += piece; });
  return text;
}

}  // namespace qv
