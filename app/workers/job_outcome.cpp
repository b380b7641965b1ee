#include "app/workers/job_outcome.h"

#include "jobs/job_problem_text.h"

namespace qv::app {
namespace {

OutcomeBox ProblemBox(const ProblemText& problem) {
  if (problem.strText.empty()) return {true, OutcomeIcon::kInformation, kSuccessText, kInformationCaption, {}};
  return {true, OutcomeIcon::kError, problem.strText, kErrorCaption, problem.strDetails};
}

}  // namespace

OutcomeBox CheckRefusalBox(ArchiveCheckResult result) {
  OutcomeBox box;
  box.strText = std::string(ArchiveCheckMessage(result));
  if (result == ArchiveCheckResult::kCannotOpen) {
    box.strCaption = kInformationCaption;
  } else {
    box.icon = OutcomeIcon::kError;
    box.strCaption = kErrorCaption;
  }
  return box;
}

OutcomeBox BackupOutcomeBox(const BackupSummary& summary, bool bStopAsked) {
  OutcomeBox box = ProblemBox(BackupProblem(summary));
  // The user asked for the stop: the box would only say what they know.
  box.bShow = !(summary.bStopped && bStopAsked);
  return box;
}

OutcomeBox RestoreOutcomeBox(const RestoreSummary& summary) {
  if (summary.check != ArchiveCheckResult::kOk) return CheckRefusalBox(summary.check);
  return ProblemBox(RestoreProblem(summary));
}

OutcomeBox NotOpenedBox(const std::string& place) {
  return {true, OutcomeIcon::kInformation, "Quorvel could not open \"" + place + "\": no program here opens it.",
          kInformationCaption, {}};
}

OutcomeBox UnwritablePathBox(const std::string& path, const std::string& reason) {
  return {true, OutcomeIcon::kError, "The backup cannot be written to \"" + path + "\": " + reason + ".",
          kErrorCaption, {}};
}

std::string CloseQuestionText(bool bBackup) {
  if (bBackup) {
    return "A backup is running. Stop it and close Quorvel?\n\nThe unfinished archive is not kept; "
           "an earlier file at its path stays as it was.";
  }
  return "A restore is running and cannot be stopped part way. Close Quorvel when it has finished?";
}

}  // namespace qv::app
