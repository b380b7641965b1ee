// qvl restore: checks the archive and its password, runs the same restore job as the
// window, prints what was restored and what was not, and exits with the outcome.
#include <CLI/CLI.hpp>
#include <charconv>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>

#include "cli/commands.h"
#include "cli/commands/archive_command.h"
#include "cli/commands/outcome_exit_code.h"
#include "cli/commands/profile_check.h"
#include "cli/output/json_output.h"
#include "cli/output/scan_output.h"
#include "cli/output/terminal_text.h"
#include "cli/output/user_paths.h"
#include "jobs/restore_job.h"
#include "jobs/restore_summary_text.h"
#include "platform/platform.h"

namespace qv::cli {
namespace {

void PrintSummaryJson(const RestoreSummary& summary, const std::string& archive, const std::string& profile) {
  const RestoreReport& report = summary.report;
  const Json head = {{"outcome", RestoreOutcomeName(summary.outcome)},
                     {"dryRun", summary.bDryRun},
                     {"archive", archive},
                     {"profile", profile},
                     {"error", TextOrNull(WithNativePaths(summary.strFailure))}};
  JsonArrayStream records(std::cout, head, "records");
  RecordResultsJson(records, report.records, "restored", WithNativePaths);
  records.Finish({{"restored", report.Count(RecordOutcome::kRestored)},
                  {"total", report.records.size()},
                  {"bytes", report.BytesRestored()},
                  {"damagedBlocks", report.nDamagedBlocks},
                  {"unknownKindCodes", report.nUnknownKindCodes},
                  {"endedEarly", TextOrNull(report.bEndedEarly ? report.strEndReason : std::string())},
                  {"stopped", report.bStopped},
                  {"registryProblem", TextOrNull(WithNativePaths(summary.strRegistryProblem))}});
}

class RestoreCommand final : public ArchiveCommand {
 public:
  RestoreCommand()
      : ArchiveCommand("restore", "Restore the favorites and IE settings of an archive into the profile",
                       PasswordUse::kAskWhenProtected, SignalUse::kStopTheJob) {}

 private:
  void AddOptions(CLI::App& command) override {
    command.add_option("ARCHIVE", m_args.strArchive, "Archive to restore (.qvl)")->required();
    AddPasswordFileOption(command, m_args.strPasswordFile);
    command.add_flag("--dry-run", m_bDryRun,
                     "Read and decode everything and list what would be written, replaced or "
                     "skipped, without changing the profile; every check of a restore is made, so "
                     "it tells the restore's outcome, counts and reasons");
    AddProfileOption(command, m_strProfileDir);
    AddJsonFlag(command, m_args.bJson, "the summary");
    AddQuietFlag(command, m_args.bQuiet);
    command.footer(
        "Files are written only below Favorites/, values only below "
        "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer; anything else the archive "
        "names is skipped and listed. A replaced file keeps its permissions and owner; a new file "
        "from a protected archive is readable by its owner only.\n"
        "Exit codes: 0 success, 1 the restore failed (missing file, not an archive, wrong "
        "password, unreadable archive or hive, a profile that cannot be written: found "
        "before anything is read, in a dry run too), 2 usage error, 3 partial (something "
        "was skipped, damaged or cut off).");
  }

  std::string ProfileOption() const override { return m_strProfileDir; }

  // Before the password is asked for: a mistyped profile is named first.
  EarlyExit CheckOptions() override {
    const std::optional<std::string> problem =
        ProfileProblem(m_strProfileDir, m_bDryRun ? ProfileUse::kDryRun : ProfileUse::kRestore);
    if (!problem) return std::nullopt;
    m_summary.outcome = RestoreOutcome::kFailed;
    m_summary.strFailure = *problem;
    (void)BeforeSummary();  // names it; it asks for no early exit
    if (m_args.bJson) {
      PrintSummaryJson(m_summary, Os().ToNativePath(Os().ToWindowsPath(m_args.strArchive)),
                       ResolvedProfile(m_strProfileDir));
    }
    return kExitFailed;
  }
  std::string ProgressLabel() const override { return m_bDryRun ? "Reading" : "Restoring"; }

  // A stopped restore drops the favorite it was writing and keeps what it restored.
  void RunJob(const OpenedArchive& archive, const JobControls& controls) override {
    RestoreJobOptions options;
    options.strArchivePath = archive.strPath;
    options.strPassword = archive.strPassword;
    options.bDryRun = m_bDryRun;
    options.pStopFlag = controls.pStopFlag;
    options.hNotifyWindow = controls.hNotifyWindow;
    options.batchLimits.nMaxFiles = BatchFilesAsked(options.batchLimits.nMaxFiles);
    m_summary = RunRestore(options);
  }

  // QUORVEL_RESTORE_BATCH=N puts favorites in place N at a time (each batch costs
  // two syncs), to tune a slow disk or to let tests see several batches.
  static std::size_t BatchFilesAsked(std::size_t fallback) {
    const char* asked = std::getenv("QUORVEL_RESTORE_BATCH");
    if (asked == nullptr) return fallback;
    const std::string_view text(asked);
    std::size_t files = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), files);
    return error == std::errc() && end == text.data() + text.size() && files > 0 ? files : fallback;
  }

  std::optional<JobRefusal> Refusal() const override {
    if (m_summary.check == ArchiveCheckResult::kOk) return std::nullopt;
    return JobRefusal{m_summary.strMessage, m_summary.strDetail};
  }

  EarlyExit BeforeSummary() override {
    if (!m_summary.strFailure.empty()) std::cerr << "qvl restore: " << WithNativePaths(m_summary.strFailure) << "\n";
    return std::nullopt;
  }

  int ExitCode() const override { return ExitCodeOf(m_summary.outcome); }

  // A job that could not run has said why on standard error; there is nothing to sum up.
  void PrintText(const OpenedArchive& archive) override {
    if (!m_summary.strFailure.empty()) return;
    std::cout << (m_bDryRun ? "Dry run of " : "Restored from ") << archive.strShown << " into the profile "
              << ResolvedProfile(m_strProfileDir) << "\n";
    WriteRestoreSummary(
        m_summary, [](std::string_view text) { return TerminalText(WithNativePaths(text)); },
        [](std::string_view text) { std::cout << text; });
  }

  void PrintJson(const OpenedArchive& archive) override {
    PrintSummaryJson(m_summary, archive.strShown, ResolvedProfile(m_strProfileDir));
  }

  std::string m_strProfileDir;
  bool m_bDryRun = false;
  RestoreSummary m_summary;
};

}  // namespace

void AddRestoreCommand(CLI::App& app, int& exitCode) {
  ArchiveCommand::Add(std::make_shared<RestoreCommand>(), app, exitCode);
}

}  // namespace qv::cli
