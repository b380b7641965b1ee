#include "platform/registry/commit/hive_folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

namespace qv {

HiveFolderLock::~HiveFolderLock() {
  if (m_nFd >= 0) ::close(m_nFd);  // closing releases the lock
}

Status HiveFolderLock::Acquire(const std::string& hivePath) {
  const std::filesystem::path parent = std::filesystem::path(hivePath).parent_path();
  const std::string folder = parent.empty() ? std::string(".") : parent.string();
  m_nFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (m_nFd < 0) {
    return Status::Error("cannot open " + folder + " to lock it for the commit of " +
                         hivePath + ": " + std::strerror(errno));
  }
  constexpr auto kRetryDelay = std::chrono::milliseconds(20);
  constexpr int kAttempts = 100;  // about two seconds
  for (int attempt = 0;; ++attempt) {
    if (::flock(m_nFd, LOCK_EX | LOCK_NB) == 0) return Status::Ok();
    const int error = errno;
    if (error == EINTR) continue;
    // A file system without locks cannot keep commits apart; going on unlocked is
    // what every other opener there does too.
    if (error == ENOLCK || error == EOPNOTSUPP) return Status::Ok();
    if (error != EWOULDBLOCK) {
      return Status::Error("cannot lock " + folder + " for the commit of " + hivePath +
                           ": " + std::strerror(error));
    }
    if (attempt + 1 == kAttempts) break;
    std::this_thread::sleep_for(kRetryDelay);
  }
  return Status::Error(hivePath + " is in use: another commit of it has held its folder " +
                       "locked for over two seconds; try again when that one is done");
}

}  // namespace qv
