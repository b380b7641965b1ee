// The restore job: everything between "restore this archive" and the summary, free
// of any window, so the window and qvl run the same code.
//
// A front end may call CheckArchive first to learn whether to ask for a password;
// RunRestore repeats every check itself, because the file may have changed since.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "jobs/archive_check.h"
#include "sources/favorites/file_restore_context.h"
#include "platform/win_types.h"
#include "store/progress_sink.h"
#include "store/reader/restore_report.h"

namespace qv {

struct RestoreJobOptions {
  std::u16string strArchivePath;  // Windows form
  std::u16string strPassword;     // ignored for an unprotected archive
  bool bDryRun = false;           // decode and list, write nothing
  WindowHandle hNotifyWindow = 0; // receives WM_JOB_PROGRESS; 0 = none
  // Told the target of the record being read and the bytes read of the archive;
  // may be null.
  ProgressSink* pProgress = nullptr;
  // Set it to stop after the record being restored; that record is dropped, what
  // was restored before it stays. May be null.
  const std::atomic<bool>* pStopFlag = nullptr;
  // How many favorites are put in place at once (each batch costs two syncs).
  RestoreBatchLimits batchLimits;
};

enum class RestoreOutcome {
  kOk,       // every record of the archive is in the profile
  kPartial,  // something was skipped, damaged or cut off
  kFailed,   // the archive was refused or could not be read, or the hive not written
};

struct RestoreSummary {
  RestoreOutcome outcome = RestoreOutcome::kFailed;
  ArchiveCheckResult check = ArchiveCheckResult::kCannotOpen;
  std::string strMessage;          // the refusal's message when check is not kOk
  std::string strDetail;           // what exactly the checks found
  std::string strRegistryProblem;  // the hive could not be written (dirty, or the commit failed)
  std::string strFailure;          // why the job could not run at all (the profile is in use)
  bool bDryRun = false;
  std::uint64_t nBytesAccepted = 0;  // what the restore operations took
  RestoreReport report;
};

[[nodiscard]] RestoreSummary RunRestore(const RestoreJobOptions& options);

}  // namespace qv
