// qvl backup: writes the archive through the same job as the window, prints what it
// stored and skipped, and exits with the job's real outcome.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "cli/commands.h"
#include "cli/commands/profile_check.h"
#include "cli/input/password_sources.h"
#include "cli/output/counted.h"
#include "cli/output/json_output.h"
#include "cli/output/progress_display.h"
#include "cli/output/terminal_text.h"
#include "cli/output/user_paths.h"
#include "platform/terminal/stop_signals.h"
#include "jobs/backup_job.h"
#include "jobs/file_to_replace.h"
#include "platform/platform.h"
#include "platform/text/text.h"

namespace qv::cli {
namespace {

struct BackupArgs {
  std::string strArchive;
  bool bCompress = false;
  bool bProtect = false;
  bool bStrong = false;
  std::string strPasswordFile;
  std::string strProfileDir;
  bool bJson = false;
  bool bQuiet = false;
};

std::string ItemsAndSkipped(const BackupSummary& summary) {
  std::string text;
  for (const BackupItemSummary& item : summary.items) {
    text += "  " + ToUtf8(item.strName) + ": " + Counted(item.nRecords, "record") + ", " +
            Counted(item.nSourceBytes, "byte") + " of data, " + Counted(item.nArchiveBytes, "byte") +
            " in the archive\n";
  }
  // Said plainly: an archive without them is what a user would otherwise find
  // out only when restoring it.
  if (summary.bFavoritesFolderMissing) text += "The profile has no Favorites folder, so it holds no favorites.\n";
  if (summary.bSettingsHiveMissing) text += "The profile has no NTUSER.DAT, so it holds no IE settings.\n";
  if (!summary.skipped.empty()) {
    text += "Skipped entries: " + std::to_string(summary.skipped.size()) + "\n";
    for (const SkippedSource& entry : summary.skipped) {
      text += "  " + TerminalText(ShownReportedPath(entry.strPath)) + ": " +
              TerminalText(WithNativePaths(entry.strReason)) + "\n";
    }
  }
  return text;
}

void PrintJson(const BackupSummary& summary, const BackupOptions& options, const std::string& profile,
               const std::string& failure) {
  Json json = {{"ok", summary.bOk},
               {"archive", Os().ToNativePath(options.strArchivePath)},
               {"profile", profile},
               {"bytes", summary.nArchiveSize},
               {"compressed", options.bCompress},
               {"protected", options.bProtect},
               {"strong", options.bProtect && options.bSealed},
               {"error", TextOrNull(failure)},
               {"items", Json::array()},
               {"skipped", Json::array()}};
  for (const BackupItemSummary& item : summary.items) {
    json["items"].push_back({{"name", ToUtf8(item.strName)},
                             {"records", item.nRecords},
                             {"sourceBytes", item.nSourceBytes},
                             {"archiveBytes", item.nArchiveBytes}});
  }
  for (const SkippedSource& entry : summary.skipped) {
    // The entries a backup leaves out include file names that are not UTF-8.
    JsonRawNames raw;
    Json skipped = {{"path", raw.Native("path", ShownReportedPath(entry.strPath))},
                    {"reason", WithNativePaths(entry.strReason)}};
    raw.AddTo(skipped);
    json["skipped"].push_back(std::move(skipped));
  }
  std::cout << JsonText(json);
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

  BackupSummary summary;
  summary.strArchivePath = options.strArchivePath;
  std::u16string finalPath;
  const std::string profile = ResolvedProfile(args.strProfileDir);
  // Refused before a password is asked for; the job looks again when it starts.
  const std::optional<std::string> profileProblem = ProfileProblem(args.strProfileDir, ProfileUse::kBackUp);
  if (profileProblem) {
    summary.strFailure = *profileProblem;
  } else if (Status target = FindFileToReplace(options.strArchivePath, "the archive", &finalPath); !target.ok()) {
    summary.strFailure = target.message();
  } else {
    BackupPassword password = PasswordForBackup(args.strPasswordFile, args.bProtect || args.bStrong, args.bStrong);
    if (!password.bOk) return password.nExitCode;
    if (password.password) {
      options.bProtect = true;
      options.bSealed = args.bStrong;
      options.strPassword = std::move(*password.password);
    }
    // A stopped backup removes its temporary file; an earlier archive stays.
    const StopSignals signals;
    options.pStopFlag = signals.Flag();
    const ProgressDisplay progress(args.bQuiet ? "" : "Backing up");
    options.hNotifyWindow = progress.Window();
    summary = RunBackup(options);
  }

  const std::string failure = summary.bOk ? std::string() : WithNativePaths(summary.strFailure);
  if (!summary.bOk) {
    std::cerr << "qvl backup: " << (profileProblem ? std::string() : args.strArchive + ": ") << failure << "\n";
  }
  if (args.bJson) {
    PrintJson(summary, options, profile, failure);
  } else if (!summary.bOk) {
    std::cout << "Backup failed; " << args.strArchive << " was not changed.\n" << ItemsAndSkipped(summary);
  } else if (!args.bQuiet || !summary.skipped.empty()) {
    std::cout << "Backed up the profile " << profile << " to " << Os().ToNativePath(summary.strArchivePath) << " ("
              << Counted(summary.nArchiveSize, "byte") << (options.bCompress ? ", compressed" : "")
              << (options.bProtect ? (options.bSealed ? ", strongly password protected" : ", password protected") : "")
              << ")\n"
              << ItemsAndSkipped(summary);
  }
  if (!summary.bOk) return kExitFailed;
  // The archive is whole, but without what was left out: not a plain success.
  return summary.skipped.empty() ? kExitSuccess : kExitPartial;
}

}  // namespace

void AddBackupCommand(CLI::App& app, int& exitCode) {
  auto args = std::make_shared<BackupArgs>();
  auto* command = app.add_subcommand(
      "backup", "Back up every favorite and every IE setting of the profile into one archive");
  command->add_option("ARCHIVE", args->strArchive,
                      "Archive to write (.qvl); an existing file is replaced only when the "
                      "backup succeeds, and through a link the file it leads to, keeping its permissions; a "
                      "folder, device or pipe is refused; a new protected archive is readable by its owner only")
      ->required();
  command->add_flag("--compress", args->bCompress, "Compress every data block (LZMA)");
  command->add_flag("--protect", args->bProtect,
                    "Protect the archive with a password; without --password-file or QVL_PASSWORD it is "
                    "asked for twice on the terminal");
  command->add_flag("--strong", args->bStrong,
                    "Protect the archive strongly (implies --protect): a key made with scrypt from the "
                    "password (8 or more characters, any Unicode), every name and block sealed with "
                    "ChaCha20-Poly1305 so that a change is found; older qvl versions and the DES form's "
                    "readers cannot open it");
  command->add_option("--password-file", args->strPasswordFile,
                      "Protect the archive with the password on the file's first line (- or a pipe: what "
                      "another program writes there; 6 or more characters, all of them Windows-1252: Western "
                      "European letters, digits and signs; with --strong 8 or more of any); QVL_PASSWORD works "
                      "too")
      ->type_name("FILE");
  AddProfileOption(*command, args->strProfileDir);
  AddJsonFlag(*command, args->bJson, "the summary");
  AddQuietFlag(*command, args->bQuiet);
  command->footer("Exit codes: 0 success, 1 the backup failed, 2 usage error, 3 the archive was written "
                  "but entries were left out (listed with their reasons).");
  command->callback([args, &exitCode] { exitCode = RunBackupCommand(*args); });
}

}  // namespace qv::cli
