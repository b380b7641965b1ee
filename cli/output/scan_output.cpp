#include "cli/output/scan_output.h"

#include "jobs/inspect/record_names.h"
#include "jobs/restore_summary_text.h"

namespace qv::cli {

std::string ScanReportText(const ScanReport& report, std::string_view stoppedBy) {
  std::string text;
  if (report.bOpenFailed) text += "The archive could not be read: " + report.strOpenError + ".\n";
  for (const SkippedRange& range : report.skipped) {
    const std::string bytes = std::to_string(range.nLength) + (range.nLength == 1 ? " byte" : " bytes");
    if (range.bTrailing) {
      text += "Trailing data: " + bytes + " at offset " + std::to_string(range.nOffset) +
              ", up to the end of the file, hold no record: " + range.strReason + ".\n";
    } else {
      text += "Skipped " + bytes + " from offset " + std::to_string(range.nOffset) + " to offset " +
              std::to_string(range.nOffset + range.nLength) + ": " + range.strReason + ".\n";
    }
  }
  if (report.bEndedEarly) text += "The archive ends early: " + report.strEndReason + ".\n";
  if (report.bStopped) text += StoppedText(stoppedBy, report.nRecordsLeft, report.bRecordsLeftExact);
  return text;
}

void ScanReportJson(JsonWriter& json, const ScanReport& report) {
  json.Key("skipped").BeginArray();
  for (const SkippedRange& range : report.skipped) {
    json.BeginObject()
        .Key("offset").Number(range.nOffset)
        .Key("length").Number(range.nLength)
        .Key("reason").String(range.strReason)
        .Key("trailing").Bool(range.bTrailing)
        .EndObject();
  }
  json.EndArray();
  json.Key("unknownKindCodes").Number(report.nUnknownKindCodes);
  json.Key("endedEarly").StringOrNull(report.bEndedEarly ? report.strEndReason : std::string());
  json.Key("stopped").Bool(report.bStopped);
}

const char* RecordStateName(RecordState state) {
  switch (state) {
    case RecordState::kSound: return "sound";
    case RecordState::kDamaged: return "damaged";
    case RecordState::kCutShort: return "cut short";
    case RecordState::kStopped: return "stopped";
  }
  return "";
}

const char* RecordOutcomeName(RecordOutcome outcome, const char* doneName) {
  switch (outcome) {
    case RecordOutcome::kRestored: return doneName;
    case RecordOutcome::kSkipped: return "skipped";
    case RecordOutcome::kDamaged: return "damaged";
    case RecordOutcome::kCutShort: return "cut short";
  }
  return "";
}

void RecordResultsJson(JsonWriter& json, const RecordList& records, const char* doneName,
                       const std::function<std::string(std::string_view)>& reason, std::ostream* out) {
  json.BeginArray();
  if (out != nullptr) *out << json.TakeText();
  for (const RecordResult& record : records) {
    json.BeginObject()
        .Key("kind").String(RecordKindName(record.nKind))
        .Key("target").String(record.strTarget)
        .Key("outcome").String(RecordOutcomeName(record.outcome, doneName))
        .Key("reason").StringOrNull(reason ? reason(record.strReason) : record.strReason)
        .Key("replaced").Bool(record.bReplaced)
        .Key("bytes").Number(record.nBytes)
        .EndObject();
    if (out != nullptr) *out << json.TakeText();
  }
  json.EndArray();
}

}  // namespace qv::cli
