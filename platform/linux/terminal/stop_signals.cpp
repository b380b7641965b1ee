#include "platform/terminal/stop_signals.h"

#include <signal.h>

namespace qv {
namespace {

std::atomic<bool> g_stopRequested{false};
std::atomic<int> g_firstSignal{0};
static_assert(std::atomic<bool>::is_always_lock_free);
static_assert(std::atomic<int>::is_always_lock_free);

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void RequestStop(int signal) {
  // Named before the flag is set: whoever sees the flag finds the signal too.
  int none = 0;
  g_firstSignal.compare_exchange_strong(none, signal);
  if (g_stopRequested.exchange(true)) {
    // Asked twice: the user wants out now.
    ::signal(signal, SIG_DFL);
    ::raise(signal);
  }
}

void Install(void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  for (const int signal : kStopSignals) sigaction(signal, &action, nullptr);
}

}  // namespace

StopSignals::StopSignals() {
  g_stopRequested.store(false);
  g_firstSignal.store(0);
  Install(RequestStop);
}

StopSignals::~StopSignals() { Install(SIG_DFL); }

const std::atomic<bool>* StopSignals::Flag() const { return &g_stopRequested; }

int StopSignals::ExitCode() const {
  const int signal = g_firstSignal.load();
  return signal == 0 ? 0 : 128 + signal;
}

const char* StopSignals::Name() const {
  switch (g_firstSignal.load()) {
    case 0: return "";
    case SIGINT: return "Ctrl-C";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    default: return "a signal";
  }
}

}  // namespace qv
