// What a front end tells its user when a job did not fully succeed, in one or two
// plain sentences. Empty when there is nothing to tell: the job did all it was
// asked and left nothing out.
#pragma once

#include <string>

#include "jobs/backup_job.h"
#include "jobs/restore_job.h"

namespace qv {

// How many skipped entries or lost records a text names before "and N more".
inline constexpr std::size_t kProblemReasonsShown = 3;

std::string BackupProblemText(const BackupSummary& summary);
std::string RestoreProblemText(const RestoreSummary& summary);

}  // namespace qv
