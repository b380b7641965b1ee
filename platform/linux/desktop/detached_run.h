// Programs run one after another in a process of their own that nobody waits
// for: the desktop's cache builders, which the window must never wait on and
// whose failure it has nothing to do about.
#pragma once

#include <string>
#include <vector>

#include "platform/linux/files/unique_fd.h"

namespace qv {

class DetachedRun {
 public:
  // Each command is a program name, looked up on PATH, and its arguments. A
  // program that is not on PATH is left out. The programs get /dev/null for their
  // standard streams and none of the caller's other descriptors (so they hold
  // none of its locks), and run on after the caller has ended.
  static DetachedRun Start(const std::vector<std::vector<std::string>>& commands);

  DetachedRun() = default;

  // Blocks until every program has ended, for a caller that must know. Returns
  // at once for a run that never started.
  void Wait();

 private:
  explicit DetachedRun(UniqueFd doneSignal) : m_doneSignal(std::move(doneSignal)) {}

  // The read end of a pipe whose write end only the runner holds: end of file
  // once it has ended.
  UniqueFd m_doneSignal;
};

// Where `program` lies on PATH, or empty.
std::string FindOnPath(const std::string& program);

}  // namespace qv
