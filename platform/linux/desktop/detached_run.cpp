#include "platform/linux/desktop/detached_run.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace qv {
namespace {

constexpr int kDoneFd = 3;  // the runner's only descriptor besides 0 to 2
constexpr int kCloseFallbackLimit = 65536;

struct PreparedCommand {
  std::string strProgram;
  std::vector<std::string> arguments;
  std::vector<char*> argv;
};

// Runs in the child of a fork of a process that may have other threads: only
// async-signal-safe calls from here on.
[[noreturn]] void RunCommands(std::vector<PreparedCommand>& commands, int devNull, int doneWriteEnd) {
  (void)setsid();  // a terminal's Ctrl+C to the window does not reach these
  // Out of the way first: the caller may have had no standard streams open, so
  // the pipe may sit on 0 to 2.
  const int done = fcntl(doneWriteEnd, F_DUPFD, kDoneFd + 1);
  for (int fd = 0; fd < 3; ++fd) (void)dup2(devNull, fd);
  (void)dup2(done, kDoneFd);
  (void)fcntl(kDoneFd, F_SETFD, FD_CLOEXEC);
  if (close_range(kDoneFd + 1, ~0U, 0) != 0) {
    for (int fd = kDoneFd + 1; fd < kCloseFallbackLimit; ++fd) (void)close(fd);  // kernels before 5.9
  }
  for (PreparedCommand& command : commands) {
    const pid_t pid = fork();
    if (pid == 0) {
      execv(command.strProgram.c_str(), command.argv.data());
      _exit(127);
    }
    if (pid < 0) continue;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
  _exit(0);
}

}  // namespace

std::string FindOnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  const std::string_view folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
  std::size_t begin = 0;
  while (begin <= folders.size()) {
    const std::size_t colon = std::min(folders.find(':', begin), folders.size());
    // An empty entry is the current folder, as the shell reads PATH.
    std::string candidate(colon > begin ? folders.substr(begin, colon - begin) : std::string_view("."));
    candidate += '/';
    candidate += program;
    struct stat info {};
    if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
    begin = colon + 1;
  }
  return {};
}

DetachedRun DetachedRun::Start(const std::vector<std::vector<std::string>>& commands) {
  // Everything the child needs is made before the fork: it may not allocate.
  std::vector<PreparedCommand> prepared;
  for (const std::vector<std::string>& command : commands) {
    if (command.empty()) continue;
    std::string program = FindOnPath(command.front());
    if (program.empty()) continue;
    prepared.push_back({std::move(program), command, {}});
  }
  for (PreparedCommand& command : prepared) {
    for (std::string& argument : command.arguments) command.argv.push_back(argument.data());
    command.argv.push_back(nullptr);
  }
  if (prepared.empty()) return {};

  UniqueFd devNull(open("/dev/null", O_RDWR | O_CLOEXEC));
  int ends[2];
  if (!devNull.Valid() || pipe2(ends, O_CLOEXEC) != 0) return {};
  UniqueFd readEnd(ends[0]);
  UniqueFd writeEnd(ends[1]);

  // Two forks: the runner is the grandchild, so nobody has to reap it, and the
  // child in between ends at once.
  const pid_t child = fork();
  if (child < 0) return {};
  if (child == 0) {
    const pid_t runner = fork();
    if (runner == 0) RunCommands(prepared, devNull.Get(), writeEnd.Get());
    _exit(runner < 0 ? 1 : 0);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  const bool bStarted = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return bStarted ? DetachedRun(std::move(readEnd)) : DetachedRun();
}

void DetachedRun::Wait() {
  if (!m_doneSignal.Valid()) return;
  char byte = 0;
  while (true) {
    const ssize_t got = read(m_doneSignal.Get(), &byte, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
  }
  (void)m_doneSignal.Close();
}

}  // namespace qv
