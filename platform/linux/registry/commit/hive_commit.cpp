#include "platform/linux/registry/commit/hive_commit.h"

#include <hivex.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <memory>

#include "platform/shared/last_error.h"
#include "platform/linux/files/folder_lock.h"
#include "platform/linux/registry/commit/hive_apply.h"
#include "platform/linux/registry/commit/hive_subkey_lists.h"
#include "platform/linux/registry/commit/hive_temp_file.h"
#include "platform/linux/registry/hive/empty_hive.h"
#include "platform/linux/registry/hive/hive_file.h"
#include "platform/linux/registry/hive/hive_handle.h"
#include "platform/linux/registry/hive/hive_layout.h"
#include "platform/linux/registry/hive/hivex_errors.h"

namespace qv {

Status CommitHiveChanges(const std::string& hivePath, const PendingChanges& changes,
                         std::uint32_t maxRewrittenValueBytes, const HiveCommitHooks& hooks) {
  std::error_code ignored;
  // The program's own hive lives in a data folder that may not exist yet.
  const std::filesystem::path folder = std::filesystem::path(hivePath).parent_path();
  if (!folder.empty()) std::filesystem::create_directories(folder, ignored);
  // Two commits of one hive that overlap would each merge into the hive as it was
  // before both, and the later rename would drop the other's changes.
  FolderLock lock;
  const std::string lockedFolder = folder.empty() ? std::string(".") : folder.string();
  switch (lock.Acquire(lockedFolder, std::chrono::seconds(2), hooks.onLockBusy)) {
    case FolderLock::Result::kLocked:
      break;
    case FolderLock::Result::kBusy:
      return Status::Error(hivePath + " is in use: another commit of it has held its folder " +
                           "locked for over two seconds; try again when that one is done");
    case FolderLock::Result::kFailed:
      return Status::Error("cannot lock the folder for the commit of " + hivePath + ": " +
                           LastErrorTextOfThread());
  }
  Status status;
  // Only under the lock: another commit may have created the hive meanwhile.
  const bool exists = std::filesystem::exists(hivePath, ignored);
  // The check before the commit looked at the hive without the lock.
  if (struct stat info {}; exists && ::stat(hivePath.c_str(), &info) == 0) {
    if (std::string problem = HiveFileKindProblem(hivePath, info.st_mode); !problem.empty()) {
      return Status::Error(problem);
    }
  }

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
  HiveHandle hive(hivex_open(source.c_str(), HIVEX_OPEN_WRITE));
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
  const std::uintmax_t written = std::filesystem::file_size(temp.Path(), ignored);
  if (written == static_cast<std::uintmax_t>(-1) || written > kMaxHiveFileBytes) {
    return Status::Error("cannot update " + hivePath + ": the result would be larger than the " +
                         "2 GiB a hive can hold");
  }
  status = RepairSubkeyLists(temp.Path(), parentsWithNewKeys);
  if (!status.ok()) return status;

  status = temp.Sync();
  if (!status.ok()) return status;
  if (hooks.beforeReplace) {
    status = hooks.beforeReplace(temp.Path());
    if (!status.ok()) {
      return Status::Error("commit of " + hivePath + " stopped before the rename: " +
                           status.message());
    }
  }
  return temp.Replace(hivePath);
}

}  // namespace qv
