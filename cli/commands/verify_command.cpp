// qvl verify: decodes every block of every record and names what is damaged, cut
// short or not a record at all; writes nothing.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <string>
#include <utility>

#include "cli/commands.h"
#include "cli/commands/archive_command.h"
#include "cli/output/counted.h"
#include "cli/manual/manual_text.h"
#include "cli/output/json_output.h"
#include "cli/output/scan_output.h"
#include "cli/output/terminal_text.h"
#include "jobs/inspect/archive_verify.h"
#include "jobs/inspect/record_names.h"

namespace qv::cli {
namespace {

// Damage that breaks the framing hides what follows it; salvage can look past it.
// Salvage looks for record heads by their clear bytes, which a sealed archive has
// none of.
bool SalvageWouldHelp(const VerifySummary& summary) {
  return !IsSealedHeader(summary.check.header) &&
         (summary.report.bEndedEarly || summary.report.nUnknownKindCodes > 0);
}

void PrintSummaryText(const VerifySummary& summary, bool salvaged, const std::string& shown,
                      const std::string& stoppedBy) {
  std::string text = "Checked " + shown + ": " + Counted(summary.Records(), "record") + " (" +
                     Counted(summary.nFavorites, "favorite") + ", " + Counted(summary.nSettings, "setting") + "), " +
                     Counted(summary.nPlainBytes, "byte") + " decoded.\n";
  for (const ScannedRecord& record : summary.problems) {
    text += std::string(record.state == RecordState::kDamaged ? "Damaged: " : "Cut short: ") +
            TerminalText(DescribeRecord(record)) + " (record at offset " + std::to_string(record.nOffset) +
            "): " + TerminalText(record.strProblem) + "\n";
  }
  if (summary.nProblems > summary.problems.size()) {
    text += "... and " + std::to_string(summary.nProblems - summary.problems.size()) + " more, not listed.\n";
  }
  text += ScanReportText(summary.report, stoppedBy);
  if (summary.Sound() && IsSealedHeader(summary.check.header)) {
    // Its seals are the checksums the DES form lacks.
    text += "Sound: every record decodes, and every sealed piece opened where it lies.\n";
  } else if (summary.Sound()) {
    text += "Sound: every record decodes. (The format has no checksums; qvl verify --help says what "
            "decoding cannot see.)\n";
  } else {
    text += "Not sound: " + std::to_string(summary.nProblems) + " of " + Counted(summary.Records(), "record") +
            " damaged or cut short" +
            (summary.report.skipped.empty() ? std::string() : ", and parts of the file hold no record") + ".\n";
    if (!salvaged && SalvageWouldHelp(summary)) {
      text += "qvl verify --salvage looks for the records after the damage.\n";
    }
  }
  std::cout << text;
}

void PrintSummaryJson(const VerifySummary& summary, const std::string& shown) {
  Json problems = Json::array();
  for (const ScannedRecord& record : summary.problems) {
    problems.push_back({{"offset", record.nOffset},
                        {"kind", RecordKindName(record.nKind)},
                        {"path", RecordPath(record)},
                        {"state", RecordStateName(record.state)},
                        {"problem", record.strProblem},
                        {"problemOffset", record.nProblemOffset}});
  }
  Json json = {{"archive", shown},
               {"sound", summary.Sound()},
               {"records", summary.Records()},
               {"favorites", summary.nFavorites},
               {"settings", summary.nSettings},
               {"soundRecords", summary.nSoundRecords},
               {"plainBytes", summary.nPlainBytes},
               {"problemCount", summary.nProblems},
               {"problems", std::move(problems)}};
  ScanReportJson(json, summary.report);
  std::cout << JsonText(json);
}

class VerifyCommand final : public ArchiveCommand {
 public:
  VerifyCommand()
      : ArchiveCommand("verify", "Check that an archive restores: decode every block of every record, write nothing",
                       PasswordUse::kAskWhenProtected, SignalUse::kStopTheJob) {}

 private:
  void AddOptions(CLI::App& command) override {
    command.add_option("ARCHIVE", m_args.strArchive, "Archive to check (.qvl)")->required();
    AddPasswordFileOption(command, m_args.strPasswordFile);
    command.add_flag("--salvage", m_bSalvage,
                     "After damage that breaks the framing, look for the next record head and go on from there");
    AddJsonFlag(command, m_args.bJson, "the result");
    AddQuietFlag(command, m_args.bQuiet);
    command.footer(std::string(kVerifyLimits) +
                   "\nExit codes: 0 sound, 1 damaged, cut short or refused (missing file, not an archive, wrong "
                   "password), 2 usage error" + kStoppedExitText + ".");
  }

  std::string ProgressLabel() const override { return "Verifying"; }

  void RunJob(const OpenedArchive& archive, const JobControls& controls) override {
    VerifyOptions options;
    options.strArchivePath = archive.strPath;
    options.strPassword = archive.strPassword;
    options.bSalvage = m_bSalvage;
    options.pStopFlag = controls.pStopFlag;
    options.hNotifyWindow = controls.hNotifyWindow;
    m_summary = VerifyArchive(options);
  }

  std::optional<JobRefusal> Refusal() const override { return RefusalOf(m_summary.check); }
  bool Stopped() const override { return m_summary.report.bStopped; }
  int ExitCode() const override { return m_summary.Sound() ? kExitSuccess : kExitFailed; }
  void PrintText(const OpenedArchive& archive) override {
    PrintSummaryText(m_summary, m_bSalvage, archive.strShown, StoppedBy());
  }
  void PrintJson(const OpenedArchive& archive) override { PrintSummaryJson(m_summary, archive.strShown); }

  bool m_bSalvage = false;
  VerifySummary m_summary;
};

}  // namespace

void AddVerifyCommand(CLI::App& app, int& exitCode) {
  ArchiveCommand::Add(std::make_shared<VerifyCommand>(), app, exitCode);
}

}  // namespace qv::cli
