#include "platform/terminal/stop_signals.h"

#include <windows.h>

namespace qv {
namespace {

std::atomic<bool> g_stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

// Runs on a thread of its own that Windows starts for the event. Ctrl-C, Ctrl-Break
// and a closed console window ask the job to stop; asked twice, the default
// handler ends the process at once.
BOOL WINAPI RequestStop(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      return g_stopRequested.exchange(true) ? FALSE : TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

StopSignals::StopSignals() {
  g_stopRequested.store(false);
  SetConsoleCtrlHandler(RequestStop, TRUE);
}

StopSignals::~StopSignals() { SetConsoleCtrlHandler(RequestStop, FALSE); }

const std::atomic<bool>* StopSignals::Flag() const { return &g_stopRequested; }

}  // namespace qv
