// qvl extract: the favorites and settings of an archive into a plain folder, never
// into a profile: DIR/Favorites/... and DIR/settings.reg.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "cli/commands.h"
#include "cli/commands/archive_command.h"
#include "cli/commands/outcome_exit_code.h"
#include "cli/output/counted.h"
#include "cli/manual/manual_text.h"
#include "cli/output/json_output.h"
#include "cli/output/scan_output.h"
#include "cli/output/terminal_text.h"
#include "cli/output/user_paths.h"
#include "jobs/extract/extract_job.h"
#include "jobs/restore_summary_text.h"
#include "platform/platform.h"
#include "platform/text/text.h"

namespace qv::cli {
namespace {

// Line by line: an archive of many records makes a long summary, never held whole.
void PrintSummaryText(const ExtractSummary& summary, const std::string& shownArchive, const std::string& shownFolder) {
  std::cout << "Extracted from " << shownArchive << " into " << shownFolder << "\n";
  for (const RecordOutcome outcome : {RecordOutcome::kSkipped, RecordOutcome::kDamaged, RecordOutcome::kCutShort}) {
    const std::uint64_t count = summary.Count(outcome);
    if (count == 0) continue;
    std::cout << (outcome == RecordOutcome::kSkipped    ? "Skipped "
                  : outcome == RecordOutcome::kDamaged ? "Damaged "
                                                       : "Cut short ")
              << count << ":\n";
    for (const RecordResult& record : summary.records) {
      if (record.outcome == outcome) {
        std::cout << "  " << TerminalText(record.strTarget) << ": " << TerminalText(WithNativePaths(record.strReason))
                  << "\n";
      }
    }
  }
  std::uint64_t bytes = 0, replaced = 0;
  for (const RecordResult& record : summary.records) {
    if (record.outcome != RecordOutcome::kRestored) continue;
    bytes += record.nBytes;
    replaced += record.bReplaced ? 1 : 0;
  }
  std::string text = "Extracted " + std::to_string(summary.Count(RecordOutcome::kRestored)) + " of " +
                     Counted(summary.records.size(), "selected record") + " (" + Counted(bytes, "byte") + ", " +
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
    text += "The pattern \"" + TerminalText(ToUtf8(pattern)) + "\" matched no record.\n";
  }
  text += ScanReportText(summary.report);
  text += std::string("Outcome: ") + RestoreOutcomeName(summary.outcome) + "\n";
  std::cout << text;
}

void PrintSummaryJson(const ExtractSummary& summary, const std::string& shownArchive, const std::string& shownFolder) {
  const Json head = {
      {"outcome", RestoreOutcomeName(summary.outcome)},
      {"archive", shownArchive},
      {"to", shownFolder},
      {"error", TextOrNull(WithNativePaths(summary.strFailure))},
      {"settingsFile", TextOrNull(summary.strSettingsFile.empty() ? std::string()
                                                                  : ShownReportedPath(ToUtf8(summary.strSettingsFile)))},
      {"settingsValues", summary.nSettingsValues},
      {"settingsProblem", TextOrNull(WithNativePaths(summary.strSettingsProblem))}};
  JsonArrayStream records(std::cout, head, "records");
  RecordResultsJson(records, summary.records, "extracted");
  Json patterns = Json::array();
  for (const std::u16string& pattern : summary.unmatchedPatterns) patterns.push_back(ToUtf8(pattern));
  Json tail = {{"extracted", summary.Count(RecordOutcome::kRestored)},
               {"selected", summary.records.size()},
               {"notSelected", summary.nNotSelected},
               {"unmatchedPatterns", std::move(patterns)}};
  ScanReportJson(tail, summary.report);
  records.Finish(tail);
}

class ExtractCommand final : public ArchiveCommand {
 public:
  ExtractCommand()
      : ArchiveCommand("extract", "Write the favorites and settings of an archive into a folder, not into a profile",
                       PasswordUse::kAskWhenProtected, SignalUse::kStopTheJob) {}

 private:
  void AddOptions(CLI::App& command) override {
    command.add_option("ARCHIVE", m_args.strArchive, "Archive to read (.qvl)")->required();
    command.add_option("PATTERN", m_patterns,
                       "Only records whose stored path, path below Favorites, or KEY\\VALUE matches this glob "
                       "(* ? [...]; / stands for \\; case does not count; a folder or key takes all below it; "
                       "a key's unnamed value is KEY\\@)");
    command.add_option("--to", m_strTargetDir, "Folder to write into; made when missing")
        ->required()
        ->type_name("DIR");
    AddPasswordFileOption(command, m_args.strPasswordFile);
    command.add_flag("--salvage", m_bSalvage,
                     "After damage that breaks the framing, look for the next record head and go on from there");
    AddJsonFlag(command, m_args.bJson, "the summary");
    AddQuietFlag(command, m_args.bQuiet);
    command.footer(
        "Favorites go to DIR/Favorites/..., at their path below %USERPROFILE%\\Favorites; settings go to "
        "DIR/settings.reg (Windows Registry Editor Version 5.00, UTF-16LE, for regedit or reg import). Nothing "
        "is written outside DIR: a favorite stored outside Favorites, with a name Windows cannot hold, or a "
        "setting outside HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer is skipped and listed, as "
        "in a restore, and so is a favorite whose name differs only in case from one extracted before (a "
        "Windows folder holds one of them) and a setting whose name holds an unpaired surrogate. Each file is "
        "written under a temporary name and renamed into place once complete; a replaced file keeps its "
        "permissions, and a new file from a protected archive is readable by its owner only. hivexregedit "
        "reads settings.reg after iconv -f UTF-16LE -t UTF-8, and reads UTF-8 only with PERL_UNICODE=SD.\n" +
        std::string(kSalvageText) +
        "\nExit codes: 0 every selected record written, 1 failed (the archive was refused or a file could not "
        "be written), 2 usage error, 3 partial (something skipped, damaged or cut off, or a pattern matched "
        "nothing).");
  }

  // The target folder plays the profile: the same rules a restore keeps in a
  // profile keep the favorites inside it.
  std::string ProfileOption() const override { return m_strTargetDir; }

  EarlyExit CheckOptions() override {
    if (m_strTargetDir.empty()) {
      std::cerr << "qvl extract: --to needs a folder\n";
      return kExitUsage;
    }
    m_strFolder = ResolvedProfile(m_strTargetDir);
    return std::nullopt;
  }

  std::string ProgressLabel() const override { return "Extracting"; }

  void RunJob(const OpenedArchive& archive, const JobControls& controls) override {
    ExtractOptions options;
    options.strArchivePath = archive.strPath;
    options.strPassword = archive.strPassword;
    options.bSalvage = m_bSalvage;
    for (const std::string& pattern : m_patterns) options.patterns.push_back(FromUtf8(pattern));
    options.pStopFlag = controls.pStopFlag;
    options.hNotifyWindow = controls.hNotifyWindow;
    m_summary = RunExtract(options);
  }

  std::optional<JobRefusal> Refusal() const override { return RefusalOf(m_summary.check); }

  EarlyExit BeforeSummary() override {
    if (!m_summary.strFailure.empty()) {
      std::cerr << "qvl extract: " << m_strTargetDir << ": " << WithNativePaths(m_summary.strFailure) << "\n";
    }
    return std::nullopt;
  }

  int ExitCode() const override { return ExitCodeOf(m_summary.outcome); }

  // A job that could not run has said why on standard error; there is nothing to sum up.
  void PrintText(const OpenedArchive& archive) override {
    if (m_summary.strFailure.empty()) PrintSummaryText(m_summary, archive.strShown, m_strFolder);
  }

  void PrintJson(const OpenedArchive& archive) override { PrintSummaryJson(m_summary, archive.strShown, m_strFolder); }

  std::string m_strTargetDir;
  std::vector<std::string> m_patterns;
  bool m_bSalvage = false;
  std::string m_strFolder;  // the target folder, absolute
  ExtractSummary m_summary;
};

}  // namespace

void AddExtractCommand(CLI::App& app, int& exitCode) {
  ArchiveCommand::Add(std::make_shared<ExtractCommand>(), app, exitCode);
}

}  // namespace qv::cli
