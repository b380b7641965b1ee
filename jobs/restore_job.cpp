#include "jobs/restore_job.h"

#include "jobs/job_profile.h"
#include "platform/platform.h"
#include "sources/ie_settings/reg_restore_context.h"
#include "sources/restore_factories.h"
#include "store/reader/archive_reader.h"

namespace qv {
namespace {

RestoreSummary Refused(ArchiveCheckResult check, std::string detail) {
  RestoreSummary summary;
  summary.outcome = RestoreOutcome::kFailed;
  summary.check = check;
  summary.strMessage = std::string(ArchiveCheckMessage(check));
  summary.strDetail = std::move(detail);
  return summary;
}

}  // namespace

RestoreSummary RunRestore(const RestoreJobOptions& options) {
  const ArchiveCheck check = CheckArchive(options.strArchivePath);
  if (check.result != ArchiveCheckResult::kOk) return Refused(check.result, check.strDetail);
  const bool isProtected = check.header.isProtected != 0;
  if (CheckArchivePassword(check.header, options.strPassword) != ArchiveCheckResult::kOk) {
    return Refused(ArchiveCheckResult::kWrongPassword, "the password does not open the verifier");
  }

  RestoreSummary summary;
  summary.check = ArchiveCheckResult::kOk;
  summary.bDryRun = options.bDryRun;
  // A profile this user cannot write fails here, in one sentence, before anything
  // is made (the lock makes Favorites) or read; a dry run tells the same. Record by
  // record it would be a skip for each, with the same reason over and over.
  if (!Os().CanWriteProfile()) {
    summary.outcome = RestoreOutcome::kFailed;
    summary.strFailure = Os().LastErrorText();
    return summary;
  }
  JobProfile profile;
  if (Status opened = OpenProfileForJob(!options.bDryRun, u"", &profile); !opened.ok()) {
    summary.outcome = RestoreOutcome::kFailed;
    summary.strFailure = opened.message();
    return summary;
  }
  RestoreOptions restoreOptions;
  restoreOptions.bDryRun = options.bDryRun;
  restoreOptions.bOwnerOnlyFiles = isProtected;
  // A dirty hive holds changes that only Windows can replay; writing it would lose
  // them. Favorites can still be restored. A dry run asks too, to tell the same,
  // and only checks its values against the registry, which writes nothing.
  Status refused;
  const std::unique_ptr<RegistryWrites> registry = Os().RegBeginWrites(kHkeyCurrentUser, &refused);
  if (!registry) {
    summary.strRegistryProblem = "the registry hive cannot be written: " + refused.message();
    restoreOptions.strRegistryBlocked = summary.strRegistryProblem;
  } else {
    restoreOptions.pRegistryWrites = registry.get();
  }
  RegRestoreContext regContext;
  restoreOptions.pRegContext = &regContext;

  FileRestoreContext fileContext(options.bDryRun, options.batchLimits);
  restoreOptions.pFileContext = &fileContext;
  ArchiveReader reader(options.strArchivePath, isProtected ? options.strPassword : std::u16string(),
                       MakeRestoreFactories(restoreOptions), &fileContext);
  reader.SetNotifyWindow(options.hNotifyWindow, WM_JOB_PROGRESS);
  reader.SetProgressSink(options.pProgress);
  reader.SetStopFlag(options.pStopFlag);
  summary.nBytesAccepted = reader.Run();
  summary.report = reader.TakeReport();

  bool commitFailed = false;
  if (restoreOptions.pRegistryWrites != nullptr && !options.bDryRun) {
    // One commit for the whole restore: a restore killed before it leaves the hive
    // as it was. A stopped one commits what it restored, as its summary says.
    if (const Status committed = registry->Commit(); !committed.ok()) {
      commitFailed = true;
      summary.strRegistryProblem = "the registry hive could not be written: " + committed.message();
      summary.report.records.SkipRestored(kRegItemKind, summary.strRegistryProblem);
    }
  }

  if (summary.report.bOpenFailed || commitFailed) {
    summary.outcome = RestoreOutcome::kFailed;
  } else if (summary.report.HasLosses()) {
    summary.outcome = RestoreOutcome::kPartial;
  } else {
    summary.outcome = RestoreOutcome::kOk;
  }
  return summary;
}

}  // namespace qv
