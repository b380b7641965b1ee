#include "platform/hive_commit.h"

#include <fcntl.h>
#include <hivex.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <thread>

#include "platform/empty_hive.h"
#include "platform/hive_apply.h"
#include "platform/hive_subkey_lists.h"
#include "platform/hive_temp_file.h"
#include "platform/hivex_errors.h"

namespace qv {
namespace {

struct HiveCloser {
  void operator()(hive_h* hive) const { hivex_close(hive); }
};

// Two commits of one hive that overlap would each merge into the hive as it was
// before both, and the later rename would drop the other's changes. The folder
// itself is locked, not a lock file beside the hive, so that nothing is left in a
// user's profile folder; flock on a directory works on Linux, and it holds across
// the rename that replaces the hive. Locks of separate opens conflict even within
// one process, so two registries of one program are kept apart too.
class HiveFolderLock {
 public:
  HiveFolderLock() = default;
  ~HiveFolderLock() {
    if (m_nFd >= 0) ::close(m_nFd);  // closing releases the lock
  }
  HiveFolderLock(const HiveFolderLock&) = delete;
  HiveFolderLock& operator=(const HiveFolderLock&) = delete;

  // Waits a bounded time rather than blocking: a commit made while another of the
  // same thread is in progress (a hook, a nested call) must fail, not hang.
  Status Acquire(const std::string& hivePath) {
    std::string folder = std::filesystem::path(hivePath).parent_path().string();
    if (folder.empty()) folder = ".";
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

 private:
  int m_nFd = -1;
};

}  // namespace

Status CommitHiveChanges(const std::string& hivePath, const PendingChanges& changes,
                         std::uint32_t maxRewrittenValueBytes,
                         const BeforeHiveReplace& beforeReplace) {
  std::error_code ignored;
  // The program's own hive lives in a data folder that may not exist yet.
  const std::filesystem::path folder = std::filesystem::path(hivePath).parent_path();
  if (!folder.empty()) std::filesystem::create_directories(folder, ignored);
  HiveFolderLock lock;
  Status status = lock.Acquire(hivePath);
  if (!status.ok()) return status;
  // Only under the lock: another commit may have created the hive meanwhile.
  const bool exists = std::filesystem::exists(hivePath, ignored);

  HiveTempFile temp;
  status = temp.Create(hivePath);
  if (!status.ok()) return status;
  // A new hive starts as our empty hive in the temporary file, which libhivex then
  // reads into memory and overwrites with the result.
  if (!exists) {
    status = temp.Write(MakeEmptyHive(CurrentFileTime()));
    if (!status.ok()) return status;
  }
  const std::string& source = exists ? hivePath : temp.Path();

  errno = 0;
  std::unique_ptr<hive_h, HiveCloser> hive(hivex_open(source.c_str(), HIVEX_OPEN_WRITE));
  if (!hive) {
    const int error = errno;
    return Status::Error("cannot open " + source + " for writing: " + DescribeHivexError(error));
  }
  std::vector<std::uint64_t> parentsWithNewKeys;
  status = ApplyPendingChanges(hive.get(), changes, maxRewrittenValueBytes, &parentsWithNewKeys);
  if (!status.ok()) return Status::Error("cannot update " + hivePath + ": " + status.message());
  errno = 0;
  if (hivex_commit(hive.get(), temp.Path().c_str(), 0) != 0) {
    const int error = errno;
    return Status::Error("cannot write " + temp.Path() + ": " + DescribeHivexError(error));
  }
  hive.reset();
  status = RepairSubkeyLists(temp.Path(), parentsWithNewKeys);
  if (!status.ok()) return status;

  status = temp.Sync();
  if (!status.ok()) return status;
  if (beforeReplace) {
    status = beforeReplace(temp.Path());
    if (!status.ok()) {
      return Status::Error("commit of " + hivePath + " stopped before the rename: " +
                           status.message());
    }
  }
  return temp.Replace(hivePath);
}

}  // namespace qv
