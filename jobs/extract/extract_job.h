// The extract job: the favorites and settings of an archive written into a plain
// folder instead of a profile. The folder plays the profile, so favorites land in
// FOLDER\Favorites under every rule a restore keeps (only below Favorites, Windows-
// safe names, a temporary file renamed over the target once the record decoded),
// and the settings become FOLDER\settings.reg for regedit or "reg import" instead
// of entering a hive. Nothing is written outside the folder.
//
// The caller installs a platform whose profile folder is the target folder.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "jobs/archive_check.h"
#include "jobs/restore_job.h"
#include "platform/win_types.h"
#include "store/progress_sink.h"
#include "store/reader/restore_report.h"
#include "store/scan/scanned_record.h"

namespace qv {

inline constexpr std::u16string_view kSettingsFileName = u"settings.reg";

struct ExtractOptions {
  std::u16string strArchivePath;   // Windows form
  std::u16string strPassword;      // needed for a protected archive
  std::vector<std::u16string> patterns;  // only matching records (jobs/extract/record_pattern.h); none: all
  bool bSalvage = false;           // after damage, look for the next record head
  WindowHandle hNotifyWindow = 0;  // receives WM_JOB_PROGRESS; 0 = none
  // Told the target of the record being read and the bytes read of the archive;
  // may be null.
  ProgressSink* pProgress = nullptr;
  const std::atomic<bool>* pStopFlag = nullptr;
};

struct ExtractSummary {
  RestoreOutcome outcome = RestoreOutcome::kFailed;
  ArchiveCheck check;              // not kOk: the archive was refused
  std::string strFailure;          // why the job could not run at all
  std::u16string strFolder;        // the target folder, Windows form
  std::u16string strSettingsFile;  // written (or replaced); empty when no value was selected
  bool bSettingsReplaced = false;
  std::uint64_t nSettingsValues = 0;
  std::string strSettingsProblem;  // settings.reg could not be written
  RecordList records;  // every selected record, in archive order
  // After a stop: the selected records not extracted, the one being read included.
  std::uint64_t nSelectedLeft = 0;
  std::uint64_t nNotSelected = 0;
  std::vector<std::u16string> unmatchedPatterns;
  ScanReport report;

  std::uint64_t Count(RecordOutcome wanted) const;
  // Every selected record of the archive: those listed and, after a stop, those left.
  std::uint64_t Selected() const { return records.size() + nSelectedLeft; }
};

[[nodiscard]] ExtractSummary RunExtract(const ExtractOptions& options);

}  // namespace qv
