#include "tests/support/qvl_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

extern char** environ;

namespace qv::test {
namespace {

QvlExit FromStatus(int status) {
  QvlExit exit;
  exit.bKilled = WIFSIGNALED(status);
  exit.nSignal = exit.bKilled ? WTERMSIG(status) : 0;
  exit.nExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return exit;
}

}  // namespace

pid_t StartQvl(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
               const std::string& outputFile) {
  std::vector<std::string> argv = {QUORVEL_QVL_BINARY};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<char*> rawArgs;
  for (std::string& argument : argv) rawArgs.push_back(argument.data());
  rawArgs.push_back(nullptr);

  std::vector<std::string> env = environment;
  for (char** entry = environ; *entry != nullptr; ++entry) env.emplace_back(*entry);
  std::vector<char*> rawEnv;
  for (std::string& entry : env) rawEnv.push_back(entry.data());
  rawEnv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputFile.empty() ? "/dev/null" : outputFile.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t child = -1;
  if (posix_spawn(&child, rawArgs[0], &actions, nullptr, rawArgs.data(), rawEnv.data()) != 0) child = -1;
  posix_spawn_file_actions_destroy(&actions);
  return child;
}

QvlExit WaitForQvl(pid_t child) {
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) return {};
  return FromStatus(status);
}

bool QvlEnded(pid_t child, QvlExit* exit) {
  int status = 0;
  if (waitpid(child, &status, WNOHANG) != child) return false;
  *exit = FromStatus(status);
  return true;
}

QvlExit RunQvlKilledAt(const std::vector<std::string>& arguments, const std::string& killAt,
                       const std::vector<std::string>& environment) {
  // The first entry of a name wins in the environment we build, so these come first.
  std::string asan = "ASAN_OPTIONS=verify_asan_link_order=0";
  if (const char* own = std::getenv("ASAN_OPTIONS")) asan += std::string(":") + own;
  std::vector<std::string> env = {std::string("LD_PRELOAD=") + QUORVEL_KILL_AT_LIBRARY, "QUORVEL_KILL_AT=" + killAt,
                                  asan};
  env.insert(env.end(), environment.begin(), environment.end());
  return WaitForQvl(StartQvl(arguments, env));
}

}  // namespace qv::test
