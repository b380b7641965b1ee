// qvl restore: checks the archive and its password, runs the same restore job as the
// window, prints what was restored and what was not, and exits with the outcome.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/input/password_input.h"
#include "cli/output/progress_display.h"
#include "cli/stop_signals.h"
#include "jobs/archive_check.h"
#include "jobs/restore_job.h"
#include "jobs/restore_summary_text.h"
#include "platform/linux_platform.h"
#include "platform/platform.h"

namespace qv::cli {
namespace {

struct RestoreArgs {
  std::string strArchive;
  std::string strPasswordFile;
  std::string strProfileDir;
  bool bDryRun = false;
};

void PrintRefusal(std::string_view message, const std::string& detail) {
  std::cerr << message;
  if (message.empty() || message.back() != '\n') std::cerr << "\n";
  if (!detail.empty()) std::cerr << "qvl restore: " << detail << "\n";
}

int ExitCodeOf(RestoreOutcome outcome) {
  switch (outcome) {
    case RestoreOutcome::kOk:
      return kExitSuccess;
    case RestoreOutcome::kPartial:
      return kExitPartial;
    case RestoreOutcome::kFailed:
      return kExitFailed;
  }
  return kExitFailed;
}

int RunRestoreCommand(const RestoreArgs& args) {
  InstallPlatform(args.strProfileDir);
  RestoreJobOptions options;
  options.strArchivePath = Os().ToWindowsPath(args.strArchive);
  options.bDryRun = args.bDryRun;
  if (options.strArchivePath.empty()) {
    std::cerr << "qvl restore: " << args.strArchive << ": " << Os().LastErrorText() << "\n";
    return kExitUsage;
  }

  // Checked first so that a missing or foreign file is named before a password is
  // asked for; the job checks everything again itself.
  const ArchiveCheck check = CheckArchive(options.strArchivePath);
  if (check.result != ArchiveCheckResult::kOk) {
    PrintRefusal(ArchiveCheckMessage(check.result), check.strDetail);
    return kExitFailed;
  }
  if (check.NeedsPassword()) {
    const PasswordInput input = ReadPassword(args.strPasswordFile);
    if (!input.bOk) {
      std::cerr << "qvl restore: " << input.strError << "\n";
      return kExitUsage;
    }
    if (!input.password) {
      std::cerr << "qvl restore: " << args.strArchive
                << " is password protected: give --password-file FILE or set QVL_PASSWORD\n";
      return kExitUsage;
    }
    options.strPassword = *input.password;
  }

  RestoreSummary summary;
  {
    // A stopped restore drops the favorite it was writing and keeps what it restored.
    const StopSignals signals;
    options.pStopFlag = signals.Flag();
    const ProgressDisplay progress(args.bDryRun ? "Reading" : "Restoring");
    options.hNotifyWindow = progress.Window();
    summary = RunRestore(options);
  }
  if (summary.check != ArchiveCheckResult::kOk) {
    PrintRefusal(summary.strMessage, summary.strDetail);
    return kExitFailed;
  }
  if (!summary.strFailure.empty()) {
    std::cerr << "qvl restore: " << summary.strFailure << "\n";
    return kExitFailed;
  }
  std::cout << (args.bDryRun ? "Dry run of " : "Restored from ") << Os().ToNativePath(options.strArchivePath)
            << " into the profile " << ResolveProfileDir(args.strProfileDir) << "\n"
            << FormatRestoreSummary(summary);
  return ExitCodeOf(summary.outcome);
}

}  // namespace

void AddRestoreCommand(CLI::App& app, int& exitCode) {
  auto args = std::make_shared<RestoreArgs>();
  auto* command = app.add_subcommand(
      "restore", "Restore the favorites and IE settings of an archive into the profile");
  command->add_option("ARCHIVE", args->strArchive, "Archive to restore (.qvl)")->required();
  command->add_option("--password-file", args->strPasswordFile,
                      "Password of a protected archive, on the file's first line; "
                      "QVL_PASSWORD works too");
  command->add_flag("--dry-run", args->bDryRun,
                    "Read and decode everything and list what would be written, replaced or "
                    "skipped, without changing the profile");
  AddProfileOption(*command, args->strProfileDir);
  command->footer(
      "Files are written only below Favorites/, values only below "
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer; anything else the archive "
      "names is skipped and listed.\n"
      "Exit codes: 0 success, 1 the restore failed (missing file, not an archive, wrong "
      "password, unreadable archive or hive), 2 usage error, 3 partial (something was "
      "skipped, damaged or cut off).");
  command->callback([args, &exitCode] { exitCode = RunRestoreCommand(*args); });
}

}  // namespace qv::cli
