// qvl extract: the favorites and settings of an archive into a plain folder, never
// into a profile: DIR/Favorites/... and DIR/settings.reg.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/commands/archive_access.h"
#include "cli/output/counted.h"
#include "cli/manual/manual_text.h"
#include "cli/output/json_writer.h"
#include "cli/output/progress_display.h"
#include "cli/output/scan_output.h"
#include "cli/output/user_paths.h"
#include "platform/terminal/stop_signals.h"
#include "jobs/extract/extract_job.h"
#include "jobs/restore_summary_text.h"
#include "platform/linux/linux_platform.h"
#include "platform/platform.h"
#include "platform/text/text.h"

namespace qv::cli {
namespace {

struct ExtractArgs {
  ArchiveArgs archive;
  std::string strTargetDir;
  std::vector<std::string> patterns;
  bool bSalvage = false;
};

int ExitCodeOf(RestoreOutcome outcome) {
  switch (outcome) {
    case RestoreOutcome::kOk: return kExitSuccess;
    case RestoreOutcome::kPartial: return kExitPartial;
    case RestoreOutcome::kFailed: return kExitFailed;
  }
  return kExitFailed;
}

std::string Text(const ExtractSummary& summary, const std::string& shownArchive, const std::string& shownFolder) {
  std::string text = "Extracted from " + shownArchive + " into " + shownFolder + "\n";
  for (const RecordOutcome outcome : {RecordOutcome::kSkipped, RecordOutcome::kDamaged, RecordOutcome::kCutShort}) {
    const std::uint64_t count = summary.Count(outcome);
    if (count == 0) continue;
    text += std::string(outcome == RecordOutcome::kSkipped    ? "Skipped "
                        : outcome == RecordOutcome::kDamaged ? "Damaged "
                                                             : "Cut short ") +
            std::to_string(count) + ":\n";
    for (const RecordResult& record : summary.records) {
      if (record.outcome == outcome) text += "  " + record.strTarget + ": " + WithNativePaths(record.strReason) + "\n";
    }
  }
  std::uint64_t bytes = 0, replaced = 0;
  for (const RecordResult& record : summary.records) {
    if (record.outcome != RecordOutcome::kRestored) continue;
    bytes += record.nBytes;
    replaced += record.bReplaced ? 1 : 0;
  }
  text += "Extracted " + std::to_string(summary.Count(RecordOutcome::kRestored)) + " of " +
          std::to_string(summary.records.size()) + " selected records (" + Counted(bytes, "byte") + ", " +
          std::to_string(replaced) + " replacing an existing file)";
  if (summary.nNotSelected > 0) text += "; " + Counted(summary.nNotSelected, "record") + " not selected";
  text += ".\n";
  if (!summary.strSettingsFile.empty()) {
    text += "Settings: " + Counted(summary.nSettingsValues, "value") + " in " +
            ShownReportedPath(ToUtf8(summary.strSettingsFile)) + (summary.bSettingsReplaced ? ", replacing the earlier file" : "") +
            ".\n";
  }
  if (!summary.strSettingsProblem.empty()) text += "Settings: " + WithNativePaths(summary.strSettingsProblem) + ".\n";
  for (const std::u16string& pattern : summary.unmatchedPatterns) {
    text += "The pattern \"" + ToUtf8(pattern) + "\" matched no record.\n";
  }
  text += ScanReportText(summary.report);
  text += std::string("Outcome: ") + RestoreOutcomeName(summary.outcome) + "\n";
  return text;
}

void PrintJson(const ExtractSummary& summary, const std::string& shownArchive, const std::string& shownFolder) {
  JsonWriter json;
  json.BeginObject()
      .Key("outcome").String(RestoreOutcomeName(summary.outcome))
      .Key("archive").String(shownArchive)
      .Key("to").String(shownFolder)
      .Key("error").StringOrNull(WithNativePaths(summary.strFailure))
      .Key("settingsFile").StringOrNull(summary.strSettingsFile.empty() ? std::string()
                                                                        : ShownReportedPath(ToUtf8(summary.strSettingsFile)))
      .Key("settingsValues").Number(summary.nSettingsValues)
      .Key("settingsProblem").StringOrNull(WithNativePaths(summary.strSettingsProblem))
      .Key("records");
  RecordResultsJson(json, summary.records, "extracted");
  json.Key("extracted").Number(summary.Count(RecordOutcome::kRestored))
      .Key("selected").Number(summary.records.size())
      .Key("notSelected").Number(summary.nNotSelected)
      .Key("unmatchedPatterns").BeginArray();
  for (const std::u16string& pattern : summary.unmatchedPatterns) json.String(ToUtf8(pattern));
  json.EndArray();
  ScanReportJson(json, summary.report);
  std::cout << json.EndObject().Text();
}

int RunExtractCommand(const ExtractArgs& args) {
  // The target folder plays the profile: the same rules a restore keeps in a
  // profile keep the favorites inside it.
  if (args.strTargetDir.empty()) {
    std::cerr << "qvl extract: --to needs a folder\n";
    return kExitUsage;
  }
  const std::string folder = ResolveProfileDir(args.strTargetDir);
  InstallPlatform(folder);
  const OpenedArchive archive = OpenArchive("extract", args.archive, true);
  if (archive.nExitCode >= 0) return archive.nExitCode;
  ExtractOptions options;
  options.strArchivePath = archive.strPath;
  options.strPassword = archive.strPassword;
  options.bSalvage = args.bSalvage;
  for (const std::string& pattern : args.patterns) options.patterns.push_back(FromUtf8(pattern));
  ExtractSummary summary;
  {
    const StopSignals signals;
    options.pStopFlag = signals.Flag();
    const ProgressDisplay progress(args.archive.bQuiet ? "" : "Extracting");
    options.hNotifyWindow = progress.Window();
    summary = RunExtract(options);
  }
  if (summary.check.result != ArchiveCheckResult::kOk) {
    PrintRefusal("extract", args.archive, archive.strShown, ArchiveCheckMessage(summary.check.result),
                 summary.check.strDetail);
    return kExitFailed;
  }
  if (!summary.strFailure.empty()) {
    std::cerr << "qvl extract: " << args.strTargetDir << ": " << WithNativePaths(summary.strFailure) << "\n";
  }
  if (args.archive.bJson) {
    PrintJson(summary, archive.strShown, folder);
  } else if (summary.strFailure.empty() && (!args.archive.bQuiet || summary.outcome != RestoreOutcome::kOk)) {
    std::cout << Text(summary, archive.strShown, folder);
  }
  return ExitCodeOf(summary.outcome);
}

}  // namespace

void AddExtractCommand(CLI::App& app, int& exitCode) {
  auto args = std::make_shared<ExtractArgs>();
  auto* command = app.add_subcommand(
      "extract", "Write the favorites and settings of an archive into a folder, not into a profile");
  command->add_option("ARCHIVE", args->archive.strArchive, "Archive to read (.qvl)")->required();
  command->add_option("PATTERN", args->patterns,
                      "Only records whose stored path, path below Favorites, or KEY\\VALUE matches this glob "
                      "(* ? [...]; / stands for \\; case does not count; a folder or key takes all below it; "
                      "a key's unnamed value is KEY\\@)");
  command->add_option("--to", args->strTargetDir, "Folder to write into; made when missing")
      ->required()
      ->type_name("DIR");
  AddPasswordFileOption(*command, args->archive.strPasswordFile);
  command->add_flag("--salvage", args->bSalvage,
                    "After damage that breaks the framing, look for the next record head and go on from there");
  AddJsonFlag(*command, args->archive.bJson, "the summary");
  AddQuietFlag(*command, args->archive.bQuiet);
  command->footer(
      "Favorites go to DIR/Favorites/..., at their path below %USERPROFILE%\\Favorites; settings go to "
      "DIR/settings.reg (Windows Registry Editor Version 5.00, UTF-16LE, for regedit or reg import). Nothing "
      "is written outside DIR: a favorite stored outside Favorites, with a name Windows cannot hold, or a "
      "setting outside HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer is skipped and listed, as "
      "in a restore. Each file is written under a temporary name and renamed into place once complete.\n" +
      std::string(kSalvageText) +
      "\nExit codes: 0 every selected record written, 1 failed (the archive was refused or a file could not "
      "be written), 2 usage error, 3 partial (something skipped, damaged or cut off, or a pattern matched "
      "nothing).");
  command->callback([args, &exitCode] { exitCode = RunExtractCommand(*args); });
}

}  // namespace qv::cli
