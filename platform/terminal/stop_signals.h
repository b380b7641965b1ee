// Ctrl-C, a closed terminal (SIGHUP) and SIGTERM ask a running job to stop, so that
// it removes its temporary files and leaves everything earlier as it was. A second
// signal ends the process at once; the next job then removes what it left.
#pragma once

#include <atomic>

namespace qv {

class StopSignals {
 public:
  StopSignals();   // installs the handlers
  ~StopSignals();  // puts the defaults back
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // The flag to give the job; set once a signal arrived.
  const std::atomic<bool>* Flag() const;
  // The exit code that tells a caller the first signal stopped the job, as a shell
  // reports a process that signal ended (128 and its number: 130 after Ctrl-C, 143
  // after SIGTERM, 129 after SIGHUP); 0 while none arrived.
  int ExitCode() const;
  // How a message names that signal ("Ctrl-C", "SIGTERM", "SIGHUP"); empty while
  // none arrived.
  const char* Name() const;
};

}  // namespace qv
