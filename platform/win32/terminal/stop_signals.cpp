#include "platform/terminal/stop_signals.h"

#include <windows.h>

namespace qv {
namespace {

constexpr DWORD kNoEvent = 0xFFFFFFFF;

std::atomic<bool> g_stopRequested{false};
std::atomic<DWORD> g_firstEvent{kNoEvent};
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
      if (g_stopRequested.exchange(true)) return FALSE;
      g_firstEvent.store(event);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

StopSignals::StopSignals() {
  g_stopRequested.store(false);
  g_firstEvent.store(kNoEvent);
  SetConsoleCtrlHandler(RequestStop, TRUE);
}

StopSignals::~StopSignals() { SetConsoleCtrlHandler(RequestStop, FALSE); }

const std::atomic<bool>* StopSignals::Flag() const { return &g_stopRequested; }

// Windows has no signal numbers; the codes are those a shell gives for the nearest
// POSIX signal, so that scripts read one meaning on both systems: Ctrl-C as SIGINT,
// Ctrl-Break and a shutdown as SIGTERM, a closed console or a logoff as SIGHUP.
int StopSignals::ExitCode() const {
  switch (g_firstEvent.load()) {
    case CTRL_C_EVENT: return 130;
    case CTRL_BREAK_EVENT:
    case CTRL_SHUTDOWN_EVENT: return 143;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT: return 129;
    default: return 0;
  }
}

const char* StopSignals::Name() const {
  switch (g_firstEvent.load()) {
    case CTRL_C_EVENT: return "Ctrl-C";
    case CTRL_BREAK_EVENT: return "Ctrl-Break";
    case CTRL_CLOSE_EVENT: return "the console's closing";
    case CTRL_LOGOFF_EVENT: return "the user's logoff";
    case CTRL_SHUTDOWN_EVENT: return "the system's shutdown";
    default: return "";
  }
}

}  // namespace qv
