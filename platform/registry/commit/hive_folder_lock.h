// An exclusive lock on a hive's folder for the length of one commit.
#pragma once

#include <string>

#include "platform/status.h"

namespace qv {

// Two commits of one hive that overlap would each merge into the hive as it was
// before both, and the later rename would drop the other's changes. The folder
// itself is locked, not a lock file beside the hive, so that nothing is left in a
// user's profile folder; flock on a directory works on Linux, and it holds across
// the rename that replaces the hive. Locks of separate opens conflict even within
// one process, so two registries of one program are kept apart too.
class HiveFolderLock {
 public:
  HiveFolderLock() = default;
  ~HiveFolderLock();
  HiveFolderLock(const HiveFolderLock&) = delete;
  HiveFolderLock& operator=(const HiveFolderLock&) = delete;

  // Waits a bounded time rather than blocking: a commit made while another of the
  // same thread is in progress (a hook, a nested call) must fail, not hang.
  Status Acquire(const std::string& hivePath);

 private:
  int m_nFd = -1;
};

}  // namespace qv
