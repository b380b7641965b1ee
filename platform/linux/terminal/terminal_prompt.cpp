#include "platform/terminal/terminal_prompt.h"

#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <iterator>

namespace qv {
namespace {

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

struct termios g_savedTerminal;
volatile sig_atomic_t g_bEchoOff = 0;

extern "C" void RestoreTerminalAndDie(int signal) {
  if (g_bEchoOff) tcsetattr(STDIN_FILENO, TCSANOW, &g_savedTerminal);
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

// Echo off and handlers in place for one question; everything back at the end.
class EchoOff {
 public:
  EchoOff() {
    if (tcgetattr(STDIN_FILENO, &g_savedTerminal) != 0) return;
    struct sigaction action {};
    action.sa_handler = RestoreTerminalAndDie;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) sigaction(kEndingSignals[i], &action, &m_previous[i]);
    struct termios quiet = g_savedTerminal;
    quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
    quiet.c_lflag |= ECHONL;
    g_bEchoOff = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
    m_bInstalled = true;
  }
  ~EchoOff() {
    if (!m_bInstalled) return;
    if (g_bEchoOff) tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_savedTerminal);
    g_bEchoOff = 0;
    for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) sigaction(kEndingSignals[i], &m_previous[i], nullptr);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  bool m_bInstalled = false;
  struct sigaction m_previous[std::size(kEndingSignals)] {};
};

}  // namespace

bool StandardInputIsTerminal() { return isatty(STDIN_FILENO) == 1; }

std::optional<std::string> PromptWithoutEcho(const std::string& prompt) {
  // Echo goes off before the question shows, so that nothing typed after it can
  // be lost to the flush of earlier typing, nor be shown.
  const EchoOff echoOff;
  if (!g_bEchoOff) return std::nullopt;
  std::fputs(prompt.c_str(), stderr);
  std::fflush(stderr);
  std::string line;
  for (;;) {
    char c = 0;
    const ssize_t got = read(STDIN_FILENO, &c, 1);
    if (got < 0) return std::nullopt;
    if (got == 0) {
      if (line.empty()) return std::nullopt;
      break;
    }
    if (c == '\n') break;
    line += c;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace qv
