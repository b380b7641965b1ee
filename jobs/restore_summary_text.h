// The restore summary as plain English lines, the same for every front end.
#pragma once

#include <string>

#include "jobs/restore_job.h"

namespace qv {

// A real restore lists what did not reach the profile; a dry run lists every record
// with what would happen to it. Ends with a line feed.
std::string FormatRestoreSummary(const RestoreSummary& summary);

const char* RestoreOutcomeName(RestoreOutcome outcome);

}  // namespace qv
