#include "cli/commands/archive_command.h"

#include <CLI/CLI.hpp>
#include <utility>

#include "cli/commands.h"
#include "cli/output/progress_display.h"
#include "platform/terminal/stop_signals.h"

namespace qv::cli {

ArchiveCommand::ArchiveCommand(std::string name, std::string summary, PasswordUse passwordUse, SignalUse signalUse)
    : m_strName(std::move(name)),
      m_strSummary(std::move(summary)),
      m_passwordUse(passwordUse),
      m_signalUse(signalUse) {}

void ArchiveCommand::Add(const std::shared_ptr<ArchiveCommand>& command, CLI::App& app, int& exitCode) {
  CLI::App* subcommand = app.add_subcommand(command->m_strName, command->m_strSummary);
  command->AddOptions(*subcommand);
  // CLI11 keeps the callback, and with it the command its options are bound to.
  subcommand->callback([command, &exitCode] { exitCode = command->Run(); });
}

std::optional<JobRefusal> ArchiveCommand::RefusalOf(const ArchiveCheck& check) {
  if (check.result == ArchiveCheckResult::kOk) return std::nullopt;
  return JobRefusal{std::string(ArchiveCheckMessage(check.result)), check.strDetail};
}

// The same order for every command, each step for a reason:
//  1. The platform first: no path has a Windows form before it.
//  2. The command's own options, so that a usage error is named before any file.
//  3. The archive is checked before a password is asked for, so that a missing or
//     foreign file is named first and nobody types a password for it; a wrong
//     password is refused before any record is read with it (OpenArchive).
//  4. The job, with the stop signals and the progress line living exactly as long
//     as the call: the line is cleared the moment the job returns, so what follows
//     starts on a clean line, and a later Ctrl-C ends qvl as usual.
//  5. The job checks the archive again, since the file may have changed since step
//     3; its refusal is printed as step 3 prints one.
//  6. What must happen whatever the format (an output file written), then the
//     summary: JSON, or text, which --quiet keeps only when something went wrong.
//  7. The exit code, from the job's result; for a job a signal stopped, the code a
//     shell gives a process that signal ended, as other tools exit after Ctrl-C.
int ArchiveCommand::Run() {
  InstallPlatform(ProfileOption());
  if (const EarlyExit stop = CheckOptions()) return *stop;
  const OpenedArchive archive = OpenArchive(m_strName, m_args, m_passwordUse == PasswordUse::kAskWhenProtected);
  if (archive.nExitCode >= 0) return archive.nExitCode;
  RunGuardedJob(archive);
  if (const std::optional<JobRefusal> refusal = Refusal()) {
    PrintRefusal(m_strName, m_args, archive.strShown, refusal->strMessage, refusal->strDetail);
    return kExitFailed;
  }
  if (const EarlyExit stop = BeforeSummary()) return *stop;
  const int exitCode = Stopped() && m_nStopExitCode != 0 ? m_nStopExitCode : ExitCode();
  if (m_args.bJson) {
    PrintJson(archive);
  } else if (!m_args.bQuiet || exitCode != kExitSuccess) {
    PrintText(archive);
  }
  return exitCode;
}

void ArchiveCommand::RunGuardedJob(const OpenedArchive& archive) {
  std::optional<StopSignals> signals;
  if (m_signalUse == SignalUse::kStopTheJob) signals.emplace();
  ProgressDisplay progress(m_args.bQuiet ? "" : ProgressLabel());
  JobControls controls;
  controls.pStopFlag = signals ? signals->Flag() : nullptr;
  controls.hNotifyWindow = progress.Window();
  controls.pProgress = progress.Sink();
  RunJob(archive, controls);
  if (signals) {
    m_nStopExitCode = signals->ExitCode();
    m_strStoppedBy = signals->Name();
  }
}  // The progress line is cleared here, then the signals get their defaults back.

}  // namespace qv::cli
