// platform/linux/registry/commit/ owns putting pending writes into a hive file: apply, fix the
// subkey lists, write a temporary file under the folder lock, sync and rename.
//
// One commit: the hive file rewritten with the pending changes, atomically.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/linux/registry/pending_changes.h"
#include "platform/status.h"

namespace qv {

// Called with the finished temporary file, before it replaces the hive; a failing
// Status stops the commit there. Tests use it to fail at the worst moment.
using BeforeHiveReplace = std::function<Status(const std::string& tempPath)>;

// Where tests step into a commit.
struct HiveCommitHooks {
  BeforeHiveReplace beforeReplace;
  // Called once when another commit holds the hive's folder and this one starts
  // to wait for it, so a test can let the other go on knowing this one waits.
  std::function<void()> onLockBusy;
};

// Opens the hive (or a new empty hive when the file does not exist), applies the
// changes, writes the result to a temporary file in the same folder, syncs it and
// renames it over the hive. On failure the hive file is unchanged and no temporary
// file remains. The caller has checked that the hive may be written. The hive's
// folder is locked meanwhile (FolderLock), so overlapping commits cannot drop
// each other's changes.
// maxRewrittenValueBytes: see ApplyPendingChanges.
Status CommitHiveChanges(const std::string& hivePath, const PendingChanges& changes,
                         std::uint32_t maxRewrittenValueBytes, const HiveCommitHooks& hooks);

}  // namespace qv
