// The built qvl as a child process, for tests that signal or kill it part way:
// started with extra environment entries, its output thrown away or kept in a file.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace qv::test {

struct QvlExit {
  bool bKilled = false;  // ended by a signal
  int nSignal = 0;
  int nExitCode = -1;    // when it exited
};

// `environment`: "NAME=value" entries added to this process's own. `outputFile`:
// where standard output goes instead of nowhere.
pid_t StartQvl(const std::vector<std::string>& arguments, const std::vector<std::string>& environment = {},
               const std::string& outputFile = "");
QvlExit WaitForQvl(pid_t child);
// Whether it has ended; fills *exit then.
bool QvlEnded(pid_t child, QvlExit* exit);

// Runs it to its end with the kill-at library preloaded: QUORVEL_KILL_AT=`killAt`.
QvlExit RunQvlKilledAt(const std::vector<std::string>& arguments, const std::string& killAt,
                       const std::vector<std::string>& environment = {});

}  // namespace qv::test
