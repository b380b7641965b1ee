// One root key: its hive file and the writes pending for it. Reads see the file
// with the pending writes laid over it; Commit moves the pending writes into the
// file. Not thread-safe on its own: HiveRegistry serialises the calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/linux/registry/commit/hive_commit.h"
#include "platform/linux/registry/hive/hive_file.h"
#include "platform/linux/registry/pending_changes.h"
#include "platform/linux/registry/registry_key_path.h"
#include "platform/status.h"
#include "platform/win_types.h"

namespace qv {

// Pending values wait in memory for one commit, so that the hive changes all at once
// or not at all; beyond this many bytes a write is refused. A user's IE settings hold
// a few hundred KB, so only a hostile archive gets there.
inline constexpr std::size_t kDefaultPendingLimitBytes = 16u * 1024 * 1024;

class RootKeyHive {
 public:
  explicit RootKeyHive(std::string path);

  // Every RegResult call sets LastErrorText when it fails.
  // kErrorSuccess, kErrorFileNotFound, or why the hive cannot be read.
  RegResult FindKey(const KeyPath& path);
  RegResult ListSubkeys(const KeyPath& path, std::vector<std::u16string>* names);
  RegResult ListValues(const KeyPath& path, std::vector<std::u16string>* names);
  RegResult ReadValue(const KeyPath& path, std::u16string_view name, std::uint32_t* type,
                      std::vector<std::uint8_t>* data);
  RegResult CreateKey(const KeyPath& path);
  RegResult SetValue(const KeyPath& path, std::u16string_view name, std::uint32_t type,
                     const std::uint8_t* data, std::uint32_t size);
  // What CreateKey(path) (or, where that fails, FindKey) and then SetValue would
  // answer now, changing nothing in the file or the pending writes. What it accepts
  // counts toward the pending bound, as a set value would, until Commit or Discard.
  RegResult CheckValue(const KeyPath& path, std::u16string_view name, std::uint32_t size, bool* atKey);

  Status CheckWritable();
  // On failure the pending writes stay, so a later commit can try again.
  Status Commit();
  // Forgets the pending writes: the file stays as it is, and reads show it again.
  void Discard();

  // Changes whenever a listing could change.
  std::uint64_t Generation() const { return m_file.Generation() + m_nPendingGeneration; }

  void SetBeforeReplace(BeforeHiveReplace hook) { m_hooks.beforeReplace = std::move(hook); }
  void SetOnLockBusy(std::function<void()> hook) { m_hooks.onLockBusy = std::move(hook); }
  void SetPendingLimit(std::size_t bytes) { m_nPendingLimitBytes = bytes; }

 private:
  // Refresh, then whether the key exists in the file: its node, or 0.
  RegResult FindFileKey(const KeyPath& path, hive_node_h* node);
  // The file's index of the key at `path`; null (and success) for a key that exists
  // only among the pending changes.
  RegResult FileIndex(const KeyPath& path, const HiveNodeIndex** index);
  RegResult RefuseUnlessWritable();
  // The checks of CreateKey and of SetValue, which CheckValue runs without the writes.
  RegResult CheckCreateKey(const KeyPath& path, hive_node_h* node);
  RegResult CheckSetValue(std::u16string_view name, std::uint32_t size);
  // What the pending values and the checked ones hold, as PendingChanges counts it.
  std::size_t WaitingBytes() const { return m_pending.ByteCount() + m_nCheckedBytes; }
  std::uint32_t HiveMinorVersion() const;

  HiveFile m_file;
  PendingChanges m_pending;
  std::uint64_t m_nPendingGeneration = 0;
  // The file generation the last passed writability check saw; 0: none this round.
  std::uint64_t m_nCheckedGeneration = 0;
  HiveCommitHooks m_hooks;
  std::size_t m_nPendingLimitBytes = kDefaultPendingLimitBytes;
  // The values CheckValue accepted since the last commit or discard, by a hash of
  // folded key path and name, with the bytes each counts; a value checked twice
  // counts once, as a value set twice is pending once. A hash, so that a dry run of
  // many long names holds less than the restore would.
  std::unordered_map<std::uint64_t, std::size_t> m_checkedValues;
  std::size_t m_nCheckedBytes = 0;
};

}  // namespace qv
