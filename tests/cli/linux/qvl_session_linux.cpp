// Runs qvl through the shell, and on a pseudo-terminal of its own.
#include "tests/cli/qvl_session.h"

#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "tests/support/run_tool.h"
#include "tests/support/temp_dir.h"

namespace qv::test {
namespace {

// A safety net against a qvl that never asks or never ends, not a pace.
constexpr int kTerminalTimeoutMs = 30000;

}  // namespace

QvlResult QvlSession::Run(const std::string& arguments, const std::string& environment) {
  const std::string errFile = ScratchText("stderr.txt");
  const ToolResult run = RunTool("cd '" + ScratchText("") + "' && env -u QVL_PASSWORD -u QUORVEL_PROFILE XDG_DATA_HOME='" +
                                 ScratchText("xdg") + "' " + environment + " '" + QUORVEL_QVL_BINARY + "' " +
                                 arguments + " 2>'" + errFile + "'");
  return QvlResult{run.exitCode, run.output, ReadFileBytes(errFile)};
}

QvlResult QvlSession::RunInTerminal(const std::vector<std::string>& arguments, const std::vector<std::string>& answers) {
  std::vector<std::string> argv = {QUORVEL_QVL_BINARY};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<char*> raw;
  for (std::string& argument : argv) raw.push_back(argument.data());
  raw.push_back(nullptr);
  const std::string scratch = ScratchText("");
  const std::string xdg = ScratchText("xdg");

  QvlResult result;
  int master = -1;
  const pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
  if (child < 0) return result;
  if (child == 0) {
    if (chdir(scratch.c_str()) != 0) _exit(127);
    unsetenv("QVL_PASSWORD");
    unsetenv("QUORVEL_PROFILE");
    setenv("XDG_DATA_HOME", xdg.c_str(), 1);
    execv(raw[0], raw.data());
    _exit(127);
  }
  std::size_t next = 0;
  for (;;) {
    pollfd ready{master, POLLIN, 0};
    if (poll(&ready, 1, kTerminalTimeoutMs) <= 0) break;
    char buffer[4096];
    const ssize_t got = read(master, buffer, sizeof buffer);
    if (got <= 0) break;  // the child closed the terminal: it has ended
    result.out.append(buffer, static_cast<std::size_t>(got));
    if (next < answers.size() && result.out.ends_with(": ")) {
      const std::string line = answers[next] == kEndOfInput ? answers[next] : answers[next] + "\n";
      ++next;
      if (write(master, line.data(), line.size()) != static_cast<ssize_t>(line.size())) break;
    }
  }
  close(master);
  int status = 0;
  if (waitpid(child, &status, 0) == child && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  return result;
}

}  // namespace qv::test
