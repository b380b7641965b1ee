// A restore and an extract end in the same three outcomes, told apart by exit code.
#pragma once

#include "cli/commands.h"
#include "jobs/restore_job.h"

namespace qv::cli {

inline int ExitCodeOf(RestoreOutcome outcome) {
  switch (outcome) {
    case RestoreOutcome::kOk: return kExitSuccess;
    case RestoreOutcome::kPartial: return kExitPartial;
    case RestoreOutcome::kFailed: return kExitFailed;
  }
  return kExitFailed;
}

}  // namespace qv::cli
