// The restore summary as plain English lines, the same for every front end.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "jobs/restore_job.h"

namespace qv {

// How a front end shows a text that names what the archive or the profile holds
// (a record's target, a reason, a failure): a terminal needs the archive's control
// characters escaped, and paths in the form its user knows.
using ShownText = std::function<std::string(std::string_view)>;

// Where a summary goes, a line or a few at a time.
using TextSink = std::function<void(std::string_view)>;

// A real restore lists what did not reach the profile; a dry run lists every record
// with what would happen to it. Ends with a line feed. `shown` (when set) turns
// each such text into what the front end shows. `stoppedBy` names what stopped a
// stopped restore ("Ctrl-C"), when the front end knows.
std::string FormatRestoreSummary(const RestoreSummary& summary, const ShownText& shown = {});
// The same, handed to `write` as it is made.
void WriteRestoreSummary(const RestoreSummary& summary, const ShownText& shown, const TextSink& write,
                         std::string_view stoppedBy = {});
// "Stopped by Ctrl-C before the end of the archive: 388 more records were not
// read." (or "..., as asked" without `stoppedBy`), with a line feed.
std::string StoppedText(std::string_view stoppedBy, std::uint64_t recordsLeft, bool exact);

const char* RestoreOutcomeName(RestoreOutcome outcome);

}  // namespace qv
