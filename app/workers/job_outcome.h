// What the window tells when a job ends, or when an archive is refused before one
// starts, and what it asks when closed during a job: the same words in every
// window, whatever draws the boxes.
#pragma once

#include <string>

#include "jobs/archive_check.h"
#include "jobs/backup_job.h"
#include "jobs/restore_job.h"

namespace qv::app {

inline constexpr char kInformationCaption[] = "Information";
inline constexpr char kErrorCaption[] = "Error";
inline constexpr char kSuccessText[] = "Process successfully!";
inline constexpr char kArchiveFilter[] = "Quorvel archive(*.qvl)";
inline constexpr char kBackupFilter[] = "Quorvel(*.qvl)";
inline constexpr char kStoppingBackupText[] = "Stopping the backup...";
inline constexpr char kClosingAfterRestoreText[] = "Quorvel closes when the restore has finished.";

enum class OutcomeIcon { kInformation, kError };

struct OutcomeBox {
  bool bShow = true;  // false: nothing to tell
  OutcomeIcon icon = OutcomeIcon::kInformation;
  std::string strText;
  std::string strCaption;
  std::string strDetails;  // behind the text, for a box that can show more; may be empty
};

// An archive the restore cannot start on: a file that cannot be opened is told as
// information (the user may have mistyped), anything else as an error.
OutcomeBox CheckRefusalBox(ArchiveCheckResult result);
// `bStopAsked`: the user asked the backup to stop; its end needs no box then.
OutcomeBox BackupOutcomeBox(const BackupSummary& summary, bool bStopAsked);
// A restore whose archive changed between the checks and the job is told as the
// checks would have told it.
OutcomeBox RestoreOutcomeBox(const RestoreSummary& summary);

// The box that a backup whose path has no Windows form shows.
OutcomeBox UnwritablePathBox(const std::string& path, const std::string& reason);

// Help or Website led nowhere: no program here opens `place` (the manual's path,
// or an address).
OutcomeBox NotOpenedBox(const std::string& place);

// The question closing the window asks while a backup (or a restore) runs.
std::string CloseQuestionText(bool bBackup);

}  // namespace qv::app
