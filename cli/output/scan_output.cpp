#include "cli/output/scan_output.h"

#include <utility>

#include "jobs/inspect/record_names.h"

namespace qv::cli {

std::string ScanReportText(const ScanReport& report) {
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
  if (report.bStopped) text += "Stopped before the end of the archive, as asked.\n";
  return text;
}

void ScanReportJson(Json& object, const ScanReport& report) {
  Json skipped = Json::array();
  for (const SkippedRange& range : report.skipped) {
    skipped.push_back({{"offset", range.nOffset},
                       {"length", range.nLength},
                       {"reason", range.strReason},
                       {"trailing", range.bTrailing}});
  }
  object["skipped"] = std::move(skipped);
  object["unknownKindCodes"] = report.nUnknownKindCodes;
  object["endedEarly"] = TextOrNull(report.bEndedEarly ? report.strEndReason : std::string());
  object["stopped"] = report.bStopped;
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

void RecordResultsJson(JsonArrayStream& array, const std::vector<RecordResult>& records, const char* doneName,
                       const std::function<std::string(std::string_view)>& reason) {
  for (const RecordResult& record : records) {
    array.Add({{"kind", RecordKindName(record.nKind)},
               {"target", record.strTarget},
               {"outcome", RecordOutcomeName(record.outcome, doneName)},
               {"reason", TextOrNull(reason ? reason(record.strReason) : record.strReason)},
               {"replaced", record.bReplaced},
               {"bytes", record.nBytes}});
  }
}

}  // namespace qv::cli
