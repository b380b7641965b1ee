// qvl restore: checks the archive and its password, runs the same restore job as the
// window, prints what was restored and what was not, and exits with the outcome.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/commands/archive_access.h"
#include "cli/output/json_writer.h"
#include "cli/output/progress_display.h"
#include "cli/output/scan_output.h"
#include "cli/output/user_paths.h"
#include "platform/terminal/stop_signals.h"
#include "jobs/restore_job.h"
#include "jobs/restore_summary_text.h"
#include "platform/linux/linux_platform.h"
#include "platform/platform.h"

namespace qv::cli {
namespace {

struct RestoreArgs {
  ArchiveArgs archive;
  std::string strProfileDir;
  bool bDryRun = false;
};

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

void PrintJson(const RestoreSummary& summary, const std::string& archive, const std::string& profile) {
  const RestoreReport& report = summary.report;
  JsonWriter json;
  json.BeginObject()
      .Key("outcome").String(RestoreOutcomeName(summary.outcome))
      .Key("dryRun").Bool(summary.bDryRun)
      .Key("archive").String(archive)
      .Key("profile").String(profile)
      .Key("error").StringOrNull(WithNativePaths(summary.strFailure))
      .Key("records");
  std::vector<RecordResult> records = report.records;
  for (RecordResult& record : records) record.strReason = WithNativePaths(record.strReason);
  RecordResultsJson(json, records, "restored");
  json.Key("restored").Number(report.Count(RecordOutcome::kRestored))
      .Key("total").Number(report.records.size())
      .Key("bytes").Number(report.BytesRestored())
      .Key("damagedBlocks").Number(report.nDamagedBlocks)
      .Key("unknownKindCodes").Number(report.nUnknownKindCodes)
      .Key("endedEarly").StringOrNull(report.bEndedEarly ? report.strEndReason : std::string())
      .Key("stopped").Bool(report.bStopped)
      .Key("registryProblem").StringOrNull(WithNativePaths(summary.strRegistryProblem));
  std::cout << json.EndObject().Text();
}

int RunRestoreCommand(const RestoreArgs& args) {
  InstallPlatform(args.strProfileDir);
  const OpenedArchive archive = OpenArchive("restore", args.archive, true);
  if (archive.nExitCode >= 0) return archive.nExitCode;
  RestoreJobOptions options;
  options.strArchivePath = archive.strPath;
  options.strPassword = archive.strPassword;
  options.bDryRun = args.bDryRun;

  RestoreSummary summary;
  {
    // A stopped restore drops the favorite it was writing and keeps what it restored.
    const StopSignals signals;
    options.pStopFlag = signals.Flag();
    const ProgressDisplay progress(args.archive.bQuiet ? "" : args.bDryRun ? "Reading" : "Restoring");
    options.hNotifyWindow = progress.Window();
    summary = RunRestore(options);
  }
  if (summary.check != ArchiveCheckResult::kOk) {
    PrintRefusal("restore", args.archive, archive.strShown, summary.strMessage, summary.strDetail);
    return kExitFailed;
  }
  const std::string profile = ResolveProfileDir(args.strProfileDir);
  if (!summary.strFailure.empty()) std::cerr << "qvl restore: " << WithNativePaths(summary.strFailure) << "\n";
  if (args.archive.bJson) {
    PrintJson(summary, archive.strShown, profile);
  } else if (summary.strFailure.empty() && (!args.archive.bQuiet || summary.outcome != RestoreOutcome::kOk)) {
    std::cout << (args.bDryRun ? "Dry run of " : "Restored from ") << archive.strShown << " into the profile "
              << profile << "\n"
              << WithNativePaths(FormatRestoreSummary(summary));
  }
  return ExitCodeOf(summary.outcome);
}

}  // namespace

void AddRestoreCommand(CLI::App& app, int& exitCode) {
  auto args = std::make_shared<RestoreArgs>();
  auto* command = app.add_subcommand(
      "restore", "Restore the favorites and IE settings of an archive into the profile");
  command->add_option("ARCHIVE", args->archive.strArchive, "Archive to restore (.qvl)")->required();
  AddPasswordFileOption(*command, args->archive.strPasswordFile);
  command->add_flag("--dry-run", args->bDryRun,
                    "Read and decode everything and list what would be written, replaced or "
                    "skipped, without changing the profile");
  AddProfileOption(*command, args->strProfileDir);
  AddJsonFlag(*command, args->archive.bJson, "the summary");
  AddQuietFlag(*command, args->archive.bQuiet);
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
