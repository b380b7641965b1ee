#include "platform/linux/files/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <thread>

#include "platform/shared/last_error.h"
#include "platform/linux/os_error.h"
#include "platform/linux/files/handle_values.h"

namespace qv {

FolderLock::Result FolderLock::Acquire(const std::string& folder, std::chrono::milliseconds wait,
                                       const std::function<void()>& onBusy) {
  Release();
  m_folder = UniqueFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!m_folder.Valid()) {
    SetLastErrorFromErrno("cannot open the folder", folder, errno);
    return Result::kFailed;
  }
  constexpr auto kRetryDelay = std::chrono::milliseconds(20);
  const auto deadline = std::chrono::steady_clock::now() + wait;
  bool waiting = false;
  for (;;) {
    if (::flock(m_folder.Get(), LOCK_EX | LOCK_NB) == 0) return Result::kLocked;
    const int error = errno;
    if (error == EINTR) continue;
    // A file system without locks cannot keep anybody apart; going on unlocked is
    // what every other opener there does too.
    if (error == ENOLCK || error == EOPNOTSUPP) return Result::kLocked;
    if (error != EWOULDBLOCK) {
      SetLastErrorFromErrno("cannot lock the folder", folder, error);
      Release();
      return Result::kFailed;
    }
    if (std::chrono::steady_clock::now() >= deadline) break;
    if (!waiting && onBusy) onBusy();
    waiting = true;
    std::this_thread::sleep_for(kRetryDelay);
  }
  Release();
  return Result::kBusy;
}

std::int64_t FolderLockTable::Lock(const std::string& folder, std::chrono::milliseconds wait,
                                   FolderLock::Result* result) {
  auto lock = std::make_unique<FolderLock>();
  *result = folder.empty() ? FolderLock::Result::kLocked : lock->Acquire(folder, wait);
  if (*result != FolderLock::Result::kLocked) return -1;
  const std::int64_t handle = NextHandleValue();
  std::lock_guard guard(m_mutex);
  m_locks.emplace(handle, std::move(lock));
  return handle;
}

bool FolderLockTable::Unlock(std::int64_t handle) {
  std::lock_guard guard(m_mutex);
  if (m_locks.erase(handle) == 1) return true;
  SetLastErrorText("invalid lock handle");
  return false;
}

}  // namespace qv
