#include "tests/support/unprivileged.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>

namespace qv::test {

std::string RunAsUnprivileged(unsigned id, const std::function<std::string()>& body) {
  int channel[2] = {-1, -1};
  if (::pipe(channel) != 0) return "pipe failed";
  const pid_t child = ::fork();
  if (child < 0) return "fork failed";
  if (child == 0) {
    ::close(channel[0]);
    std::string result = "cannot drop privileges";
    if (::setgroups(0, nullptr) == 0 && ::setgid(id) == 0 && ::setuid(id) == 0) result = body();
    const ssize_t ignored = ::write(channel[1], result.data(), result.size());
    (void)ignored;
    ::_exit(0);  // skips the parent's atexit work, which is not the child's to do
  }
  ::close(channel[1]);
  std::string result;
  std::array<char, 4096> buffer{};
  ssize_t count = 0;
  while ((count = ::read(channel[0], buffer.data(), buffer.size())) > 0) {
    result.append(buffer.data(), static_cast<std::size_t>(count));
  }
  ::close(channel[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "child failed: " + result;
  return result;
}

}  // namespace qv::test
