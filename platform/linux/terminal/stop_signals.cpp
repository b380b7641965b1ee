#include "platform/terminal/stop_signals.h"

#include <signal.h>

namespace qv {
namespace {

std::atomic<bool> g_stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void RequestStop(int signal) {
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
  Install(RequestStop);
}

StopSignals::~StopSignals() { Install(SIG_DFL); }

const std::atomic<bool>* StopSignals::Flag() const { return &g_stopRequested; }

}  // namespace qv
