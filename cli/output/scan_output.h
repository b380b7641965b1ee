// What list, verify and extract say about the parts of an archive a scan passed
// over or could not read, in words and in JSON.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/output/json_output.h"
#include "store/reader/restore_report.h"
#include "store/scan/scanned_record.h"

namespace qv::cli {

// One line each, every line ending in a line feed; empty for a clean scan.
std::string ScanReportText(const ScanReport& report);
// Adds "skipped", "unknownKindCodes", "endedEarly" and "stopped" to `object`.
void ScanReportJson(Json& object, const ScanReport& report);

const char* RecordStateName(RecordState state);  // "sound", "damaged", "cut short", "stopped"
// "restored" (or `doneName`), "skipped", "damaged", "cut short".
const char* RecordOutcomeName(RecordOutcome outcome, const char* doneName);
// The array's elements {"kind", "target", "outcome", "reason", "replaced", "bytes"},
// one by one; `reason` (when set) turns each reason into what is shown.
void RecordResultsJson(JsonArrayStream& array, const std::vector<RecordResult>& records, const char* doneName,
                       const std::function<std::string(std::string_view)>& reason = {});

}  // namespace qv::cli
