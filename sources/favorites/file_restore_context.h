// What the favorites of one restore share, so that each favorite costs a handful of
// system calls and no sync of its own: where Favorites is, which stored folders were
// already checked and made, and the replacements that wait for one durable commit.
//
// A favorite's temporary file is complete and closed when it is queued; Commit puts
// every queued file in place with two syncs for all of them (Platform's
// ReplaceFilesDurably). A crash before the commit leaves the targets as they were
// and stale temporary files, which the next job removes. Not thread-safe: one
// restore reads its records one at a time. A full batch may be committed on a
// thread of its own (CommitInBackground) while the next ones are written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/platform.h"
#include "store/reader/restore_commit_hook.h"

namespace qv {

// How much one batch of favorites may hold before it is put in place. A batch stays
// below both, so that open data waiting for its sync, and the list of names, stay
// bounded whatever the archive holds. Tests use small ones.
struct RestoreBatchLimits {
  std::size_t nMaxFiles = 1024;
  std::uint64_t nMaxBytes = 256u * 1024 * 1024;
};

class FileRestoreContext final : public RestoreCommitHook {
 public:
  // The folders checked and made are remembered up to this many: an archive may
  // name any number of them, and forgetting costs only a second look.
  static constexpr std::size_t kMaxCachedFolders = 4096;
  // Full batches waiting for or in their commit, each on a thread of its own: each
  // flushes its data at once and renames after the one before it. Several, so
  // that a slow sync (the file system may hold other programs' unwritten data,
  // which syncfs writes too) does not stop the writing of the next batches.
  static constexpr std::size_t kMaxBatchesInFlight = 8;

  explicit FileRestoreContext(bool dryRun, RestoreBatchLimits limits = {}) : m_bDryRun(dryRun), m_limits(limits) {}

  // The profile's Favorites folder, made when missing unless this is a dry run
  // (which only needs to know where it would be). Looked up once.
  [[nodiscard]] bool Favorites(std::u16string* folder, std::string* why);
  // Where a stored folder goes, checked against Favorites once per stored folder:
  // empty and *folder set, or why it may not be written.
  std::string FolderTarget(const std::u16string& storedFolder, std::u16string* folder);
  // Why `folder` cannot be made because a favorite of this restore is queued (in a
  // dry run: would be) at its name or at a folder above it below Favorites; empty
  // when none is. Asks no disk, so that the answer does not hang on whether that
  // favorite's batch is in place yet, and a dry run gives it too.
  std::string FolderClaimProblem(const std::u16string& folder) const;
  // Readies the folder once per restore: it must take new files (Platform's
  // CanWriteFolder); then a restore makes it and its parents, and a dry run notes
  // it and its missing parents as made, so that later favorites meet them as they
  // would meet the folders a restore made.
  [[nodiscard]] bool EnsureFolder(const std::u16string& folder, std::string* why);
  // Whether EnsureFolder made or found `folder`, as far as it remembers.
  bool Made(const std::u16string& folder) const { return FindMade(folder) != nullptr; }
  // Whether this restore made the folder (so that nothing is in it but what the
  // restore put there), as far as it remembers.
  bool CreatedHere(const std::u16string& folder) const {
    const bool* created = FindMade(folder);
    return created != nullptr && *created;
  }
  // Marks `target` as a favorite of this restore, once its file is complete (in a
  // dry run: once it would be); Claimed tells it to later records of the same name.
  void Claim(const std::u16string& target) { m_claimed.insert(PathKey(target)); }
  bool Claimed(const std::u16string& target) const { return m_claimed.count(PathKey(target)) != 0; }

  // The record whose favorite is queued next; failures are told by this number.
  void SetRecord(std::size_t record) override { m_nRecord = record; }
  void Queue(std::u16string tempPath, std::u16string targetPath, std::uint64_t bytes);
  bool Full() const { return m_queue.size() >= m_limits.nMaxFiles || m_nQueuedBytes >= m_limits.nMaxBytes; }

  using Failure = CommitFailure;
  // A full batch starts on its way (CommitInBackground); otherwise nothing.
  std::vector<Failure> AfterRecord() override;
  // Puts every queued file in place, after any commit still running; the records
  // whose file did not make it.
  std::vector<Failure> Commit() override;
  // Starts putting the queued files in place on another thread, after the batches
  // already on their way, so that their syncs overlap the writing of the next
  // batches. While kMaxBatchesInFlight are on their way it waits for the oldest,
  // and returns the failures of those it waited for; Commit collects the rest.
  std::vector<Failure> CommitInBackground();

 private:
  struct Queued {
    FileReplacement replacement;
    std::size_t nRecord = 0;
  };
  // The end of a batch's renames, told once however often it is called.
  struct TurnEnd {
    std::promise<void> promise;
    std::once_flag once;
    void operator()() {
      std::call_once(once, [this] { promise.set_value(); });
    }
  };
  struct CheckedFolder {
    std::string strProblem;
    std::u16string strFolder;
  };

  // Claims and made folders are kept by a hash of their path (as NameSpellings keeps
  // names): a dry run keeps every one, and an archive may name any number of them
  // with the longest paths.
  static std::uint64_t PathKey(std::u16string_view path) { return std::hash<std::u16string_view>{}(path); }
  void NoteLastMade(const std::u16string& folder, const bool* created) {
    m_strLastMade = folder;
    m_pLastMade = created;
  }
  // The folder's entry among those EnsureFolder made or found (true: this restore
  // created it), or null.
  const bool* FindMade(const std::u16string& folder) const;
  static std::vector<Failure> CommitBatch(Platform& os, const std::vector<Queued>& queue,
                                          const RenameTurn& turn);
  // CommitBatch on a thread of its own: renames once `before` is ready, then ends
  // its own turn.
  static std::vector<Failure> CommitInTurn(Platform& os, const std::vector<Queued>& queue,
                                           const std::shared_future<void>& before, TurnEnd& end);
  // Collects the oldest running commits until at most `keep` remain.
  std::vector<Failure> WaitForRunningCommits(std::size_t keep);

  bool m_bDryRun;
  RestoreBatchLimits m_limits;
  std::optional<std::u16string> m_favorites;
  std::string m_strFavoritesProblem;
  std::map<std::u16string, CheckedFolder> m_checkedFolders;
  const std::pair<const std::u16string, CheckedFolder>* m_pLastChecked = nullptr;
  // True: created by this restore (in a dry run: missing, so that it would be).
  // Hashed: every favorite asks whether its own path is one of them, and long paths
  // that share their start compare slowly.
  std::unordered_map<std::uint64_t, bool> m_madeFolders;
  // Every favorite's target this restore queued, or in a dry run would have: the
  // restore's own files are not on the disk yet, or not at all, when later records
  // meet them. Never forgotten, since a dry run has no disk to look at instead.
  std::unordered_set<std::uint64_t> m_claimed;
  std::u16string m_strLastMade;  // the folder m_pLastMade tells of
  const bool* m_pLastMade = nullptr;
  std::size_t m_nRecord = 0;
  std::vector<Queued> m_queue;
  std::uint64_t m_nQueuedBytes = 0;
  // Batches being committed, oldest first, each on its own thread.
  std::deque<std::shared_future<std::vector<Failure>>> m_running;
  // When the newest of them has renamed its files; the next batch renames after it.
  std::shared_future<void> m_lastTurnEnded;
};

}  // namespace qv
