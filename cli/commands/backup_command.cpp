// qvl backup: writes the archive through the same job as the window, prints what it
// stored and skipped, and exits with the job's real outcome.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/input/password_input.h"
#include "cli/output/progress_display.h"
#include "cli/stop_signals.h"
#include "jobs/backup_job.h"
#include "platform/platform.h"
#include "platform/text.h"

namespace qv::cli {
namespace {

struct BackupArgs {
  std::string strArchive;
  bool bCompress = false;
  std::string strPasswordFile;
  std::string strProfileDir;
};

void PrintSummary(const BackupSummary& summary) {
  for (const BackupItemSummary& item : summary.items) {
    std::cout << "  " << ToUtf8(item.strName) << ": " << item.nRecords << " records, "
              << item.nSourceBytes << " bytes of data, " << item.nArchiveBytes
              << " bytes in the archive\n";
  }
  if (!summary.skipped.empty()) {
    std::cout << "Skipped entries: " << summary.skipped.size() << "\n";
    for (const SkippedSource& entry : summary.skipped) {
      std::cout << "  " << entry.strPath << ": " << entry.strReason << "\n";
    }
  }
}

int RunBackupCommand(const BackupArgs& args) {
  InstallPlatform(args.strProfileDir);
  BackupOptions options;
  options.strArchivePath = Os().ToWindowsPath(args.strArchive);
  if (options.strArchivePath.empty()) {
    std::cerr << "qvl backup: " << args.strArchive << ": " << Os().LastErrorText() << "\n";
    return kExitUsage;
  }
  options.bCompress = args.bCompress;

  const PasswordInput input = ReadPassword(args.strPasswordFile);
  if (!input.bOk) {
    std::cerr << "qvl backup: " << input.strError << "\n";
    return kExitUsage;
  }
  if (input.password) {
    options.bProtect = true;
    options.strPassword = *input.password;
    if (options.strPassword.size() < kMinPasswordLength) {
      std::cerr << "qvl backup: the password must have 6 or more characters\n";
      return kExitUsage;
    }
  }

  BackupSummary summary;
  {
    // A stopped backup removes its temporary file; an earlier archive stays.
    const StopSignals signals;
    options.pStopFlag = signals.Flag();
    const ProgressDisplay progress("Backing up");
    options.hNotifyWindow = progress.Window();
    summary = RunBackup(options);
  }

  const std::string shownPath = Os().ToNativePath(summary.strArchivePath);
  if (!summary.bOk) {
    std::cout << "Backup failed; " << shownPath << " was not changed.\n";
    PrintSummary(summary);
    std::cerr << "qvl backup: " << summary.strFailure << "\n";
    return kExitFailed;
  }
  std::cout << "Backed up to " << shownPath << " (" << summary.nArchiveSize << " bytes"
            << (options.bCompress ? ", compressed" : "")
            << (options.bProtect ? ", password protected" : "") << ")\n";
  PrintSummary(summary);
  return kExitSuccess;
}

}  // namespace

void AddBackupCommand(CLI::App& app, int& exitCode) {
  auto args = std::make_shared<BackupArgs>();
  auto* command = app.add_subcommand(
      "backup", "Back up every favorite and every IE setting of the profile into one archive");
  command->add_option("ARCHIVE", args->strArchive,
                      "Archive to write (.qvl); an existing file is replaced only when the "
                      "backup succeeds")
      ->required();
  command->add_flag("--compress", args->bCompress, "Compress every data block (LZMA)");
  command->add_option("--password-file", args->strPasswordFile,
                      "Protect the archive with the password on the file's first line "
                      "(6 or more characters); QVL_PASSWORD works too");
  AddProfileOption(*command, args->strProfileDir);
  command->footer("Exit codes: 0 success, 1 the backup failed, 2 usage error.");
  command->callback([args, &exitCode] { exitCode = RunBackupCommand(*args); });
}

}  // namespace qv::cli
