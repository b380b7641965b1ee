// What a front end tells its user when a job did not fully succeed: one or two
// plain sentences, and the details behind them. Empty when there is nothing to
// tell: the job did all it was asked and left nothing out.
#pragma once

#include <cstddef>
#include <string>

#include "jobs/backup_job.h"
#include "jobs/restore_job.h"

namespace qv {

// How many entries the details name before "and N more".
inline constexpr std::size_t kProblemDetailsShown = 1000;

struct ProblemText {
  std::string strText;     // one or two sentences, each reason in it at most once
  // One line per entry left out or not restored ("what: why"), then what else the
  // text names without its reason; each line ends in '\n'. Empty when the text
  // says it all.
  std::string strDetails;
};

ProblemText BackupProblem(const BackupSummary& summary);
ProblemText RestoreProblem(const RestoreSummary& summary);

// The text alone.
std::string BackupProblemText(const BackupSummary& summary);
std::string RestoreProblemText(const RestoreSummary& summary);

}  // namespace qv
