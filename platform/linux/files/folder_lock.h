// An exclusive lock on a folder, held by one owner at a time.
//
// The folder itself is locked, not a lock file in it, so that nothing is left in
// a user's profile folder; flock on a directory works on Linux, and it holds across
// renames inside the folder. Locks of separate opens conflict even within one
// process, so two jobs or two registries of one program are kept apart too.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/linux/files/unique_fd.h"

namespace qv {

class FolderLock {
 public:
  enum class Result {
    kLocked,  // held until Release or the owner's end; also where locks are not to be had
    kBusy,    // somebody else held it for the whole wait
    kFailed,  // the folder cannot be opened or locked; LastErrorText says why
  };

  // Waits at most `wait` rather than blocking: a second lock taken by the same
  // thread (a hook, a nested call) must fail, not hang. `onBusy` (may be empty)
  // runs once when the wait begins.
  Result Acquire(const std::string& folder, std::chrono::milliseconds wait,
                 const std::function<void()>& onBusy = {});
  void Release() { (void)m_folder.Close(); }  // closing releases the lock

 private:
  UniqueFd m_folder;
};

// Folder locks behind handle values, for locks that outlive one call.
class FolderLockTable {
 public:
  // A handle, or -1 with *result telling why (kBusy or kFailed). An empty `folder`
  // gives a handle that locks nothing.
  std::int64_t Lock(const std::string& folder, std::chrono::milliseconds wait,
                    FolderLock::Result* result);
  bool Unlock(std::int64_t handle);

 private:
  std::mutex m_mutex;
  std::map<std::int64_t, std::unique_ptr<FolderLock>> m_locks;
};

}  // namespace qv
