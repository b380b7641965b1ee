// The base of every qvl command that reads an archive. Run() opens the archive, asks
// for its password, guards the job with the stop signals and the progress line, and
// turns a refusal into its message and exit code, the same way for each of them; a
// command supplies its options, its job and what it prints.
#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "cli/commands/archive_access.h"
#include "platform/win_types.h"
#include "store/progress_sink.h"

namespace CLI {
class App;
}

namespace qv::cli {

// What the runner lends a job for as long as it runs.
struct JobControls {
  const std::atomic<bool>* pStopFlag = nullptr;  // null: a signal ends the process
  WindowHandle hNotifyWindow = 0;                // 0: no progress is shown
  // For a job that tells what it works on and how far the whole job is; give it
  // this instead of the window. Null: no progress is shown.
  ProgressSink* pProgress = nullptr;
};

// The job's own check of the archive failed: the file changed since it was opened.
struct JobRefusal {
  std::string strMessage;
  std::string strDetail;
};

// An exit code to stop with at once; empty to go on.
using EarlyExit = std::optional<int>;

class ArchiveCommand {
 public:
  enum class PasswordUse {
    kAskWhenProtected,  // the job cannot read a protected archive without it
    kOnlyWhenGiven,     // from --password-file or QVL_PASSWORD; never asked for
  };
  enum class SignalUse {
    kStopTheJob,     // the job takes a stop flag and cleans up after itself
    kEndTheProcess,  // the job writes nothing, so nothing is left to clean up
  };

  virtual ~ArchiveCommand() = default;
  ArchiveCommand(const ArchiveCommand&) = delete;
  ArchiveCommand& operator=(const ArchiveCommand&) = delete;

  // Adds the command to `app`; when it runs, its exit code goes to `exitCode`.
  static void Add(const std::shared_ptr<ArchiveCommand>& command, CLI::App& app, int& exitCode);

 protected:
  ArchiveCommand(std::string name, std::string summary, PasswordUse passwordUse, SignalUse signalUse);

  // What each command supplies, in the order Run() calls it.
  // The options (bound to m_args and the command's own members) and the footer.
  virtual void AddOptions(CLI::App& command) = 0;
  // The profile folder to install the platform on; empty: the default.
  virtual std::string ProfileOption() const { return ""; }
  // A usage error in the command's own options.
  virtual EarlyExit CheckOptions() { return std::nullopt; }
  // Shown before the percentage while the job runs; empty: nothing is shown.
  virtual std::string ProgressLabel() const { return ""; }
  virtual void RunJob(const OpenedArchive& archive, const JobControls& controls) = 0;
  virtual std::optional<JobRefusal> Refusal() const = 0;
  // Whether the job ended early because the stop flag was set.
  virtual bool Stopped() const { return false; }
  // What the job's result needs before any summary, whatever its format: an output
  // written, a failure named on standard error.
  virtual EarlyExit BeforeSummary() { return std::nullopt; }
  virtual int ExitCode() const = 0;
  // What stopped the job, for its summary ("Ctrl-C"), and the exit code that tells
  // it; empty and 0 when no signal came.
  const std::string& StoppedBy() const { return m_strStoppedBy; }
  int StopExitCode() const { return m_nStopExitCode; }
  virtual void PrintText(const OpenedArchive& archive) = 0;
  // Only a command with a --json flag is asked for it.
  virtual void PrintJson(const OpenedArchive& /*archive*/) {}

  static std::optional<JobRefusal> RefusalOf(const ArchiveCheck& check);

  ArchiveArgs m_args;

 private:
  int Run();
  void RunGuardedJob(const OpenedArchive& archive);

  // After the job: the exit code of the signal that stopped it, and its name.
  int m_nStopExitCode = 0;
  std::string m_strStoppedBy;
  const std::string m_strName;
  const std::string m_strSummary;
  const PasswordUse m_passwordUse;
  const SignalUse m_signalUse;
};

}  // namespace qv::cli
