#include "sources/favorites/file_restore_context.h"

#include <memory>
#include <system_error>
#include <utility>

#include "sources/restore_confinement.h"

namespace qv {

bool FileRestoreContext::Favorites(std::u16string* folder, std::string* why) {
  if (!m_favorites) {
    std::u16string found;
    if (Os().SHGetSpecialFolderPathW(kCsidlFavorites, !m_bDryRun, &found)) {
      m_favorites = std::move(found);
    } else if (m_bDryRun) {
      // A dry run must not create the Favorites folder; where it would be is enough.
      m_favorites = Os().ExpandEnvironmentStringsW(u"%USERPROFILE%\\Favorites");
    } else {
      m_strFavoritesProblem = "the Favorites folder is unknown: " + Os().LastErrorText();
      m_favorites = u"";
    }
  }
  if (m_favorites->empty()) {
    *why = m_strFavoritesProblem;
    return false;
  }
  *folder = *m_favorites;
  return true;
}

std::string FileRestoreContext::FolderTarget(const std::u16string& storedFolder, std::u16string* folder) {
  // A folder's favorites come one after another in an archive.
  if (m_pLastChecked != nullptr && m_pLastChecked->first == storedFolder) {
    *folder = m_pLastChecked->second.strFolder;
    return m_pLastChecked->second.strProblem;
  }
  auto found = m_checkedFolders.find(storedFolder);
  if (found == m_checkedFolders.end()) {
    CheckedFolder checked;
    std::u16string favorites;
    if (!Favorites(&favorites, &checked.strProblem)) {
      return checked.strProblem;  // not remembered: nothing was looked at
    }
    checked.strProblem = FavoritesFolderTarget(storedFolder, favorites, &checked.strFolder);
    // A hostile archive could name a million distinct folders; the cache is an
    // optimisation, so it simply stops growing.
    if (m_checkedFolders.size() >= kMaxCachedFolders) {
      *folder = checked.strFolder;
      return checked.strProblem;
    }
    found = m_checkedFolders.emplace(storedFolder, std::move(checked)).first;
  }
  m_pLastChecked = &*found;  // a map's elements stay where they are
  *folder = found->second.strFolder;
  return found->second.strProblem;
}

std::string FileRestoreContext::FolderClaimProblem(const std::u16string& folder) const {
  if (m_claimed.empty()) return {};
  std::u16string_view at = folder;
  const std::size_t favoritesSize = m_favorites ? m_favorites->size() : 0;
  while (at.size() > favoritesSize) {
    if (m_claimed.count(PathKey(at)) != 0) {
      return "the folder \"" + ShownPath(at) + "\" cannot be made: a favorite of this restore has that name";
    }
    const std::size_t slash = at.find_last_of(u'\\');
    if (slash == std::u16string_view::npos) break;
    at = at.substr(0, slash);
  }
  return {};
}

bool FileRestoreContext::EnsureFolder(const std::u16string& folder, std::string* why) {
  if (Made(folder)) return true;
  if (!Os().CanWriteFolder(folder)) {
    *why = "the folder \"" + ShownPath(folder) + "\" cannot be written: " + Os().LastErrorText();
    return false;
  }
  if (m_bDryRun) {
    // The folder and its missing parents, as SHCreateDirectoryExW would make them.
    // All are kept: a dry run has no disk to look at instead.
    for (std::u16string at = folder; !Made(at);) {
      const bool missing = !Os().PathFileExistsW(at);
      NoteLastMade(at, &m_madeFolders.emplace(PathKey(at), missing).first->second);
      const std::size_t slash = at.find_last_of(u'\\');
      if (!missing || slash == std::u16string::npos || slash <= (m_favorites ? m_favorites->size() : 0)) break;
      at.resize(slash);
    }
    NoteLastMade(folder, &m_madeFolders.find(PathKey(folder))->second);
    return true;
  }
  const int created = Os().SHCreateDirectoryExW(folder);
  if (created != 0 && created != kErrorAlreadyExists) {
    *why = "cannot create the folder: " + Os().LastErrorText();
    return false;
  }
  // Bounded like the checked folders; forgetting costs one mkdir and one lookup.
  if (m_madeFolders.size() >= kMaxCachedFolders) m_madeFolders.clear();
  NoteLastMade(folder, &m_madeFolders.emplace(PathKey(folder), created == 0).first->second);
  return true;
}

const bool* FileRestoreContext::FindMade(const std::u16string& folder) const {
  // A folder's favorites come one after another in an archive.
  if (m_pLastMade != nullptr && m_strLastMade == folder) return m_pLastMade;
  const auto found = m_madeFolders.find(PathKey(folder));
  return found == m_madeFolders.end() ? nullptr : &found->second;
}

void FileRestoreContext::Queue(std::u16string tempPath, std::u16string targetPath, std::uint64_t bytes) {
  m_queue.push_back({FileReplacement{std::move(tempPath), std::move(targetPath)}, m_nRecord});
  m_nQueuedBytes += bytes;
}

std::vector<FileRestoreContext::Failure> FileRestoreContext::CommitBatch(
    Platform& os, const std::vector<Queued>& queue, const RenameTurn& turn) {
  std::vector<Failure> failures;
  std::vector<FileReplacement> batch;
  batch.reserve(queue.size());
  for (const Queued& queued : queue) batch.push_back(queued.replacement);
  const std::vector<std::string> problems = os.ReplaceFilesDurably(batch, turn);
  for (std::size_t i = 0; i < queue.size(); ++i) {
    if (i >= problems.size() || !problems[i].empty()) {
      failures.push_back({queue[i].nRecord, i < problems.size() ? problems[i] : "not replaced"});
    }
  }
  // Folders made by this batch exist now; a later record may find its folder gone
  // again only if somebody removed it, which EnsureFolder then does not notice:
  // that record's rename fails and says so.
  return failures;
}

std::vector<FileRestoreContext::Failure> FileRestoreContext::CommitInTurn(
    Platform& os, const std::vector<Queued>& queue, const std::shared_future<void>& before, TurnEnd& end) {
  // Ended on every way out, so that no later batch waits forever.
  const struct EndOnExit {
    TurnEnd& end;
    ~EndOnExit() { end(); }
  } endOnExit{end};
  const RenameTurn turn{[&before] {
                          if (before.valid()) before.wait();
                        },
                        [&end] { end(); }};
  return CommitBatch(os, queue, turn);
}

std::vector<FileRestoreContext::Failure> FileRestoreContext::WaitForRunningCommits(std::size_t keep) {
  std::vector<Failure> failures;
  while (m_running.size() > keep) {
    const std::vector<Failure>& done = m_running.front().get();
    failures.insert(failures.end(), done.begin(), done.end());
    m_running.pop_front();
  }
  return failures;
}

std::vector<FileRestoreContext::Failure> FileRestoreContext::AfterRecord() {
  return Full() ? CommitInBackground() : std::vector<Failure>();
}

std::vector<FileRestoreContext::Failure> FileRestoreContext::Commit() {
  std::vector<Failure> failures = WaitForRunningCommits(0);
  if (!m_queue.empty()) {
    // Every earlier batch is in place: no turn to wait for.
    std::vector<Failure> more = CommitBatch(Os(), m_queue, RenameTurn{});
    failures.insert(failures.end(), more.begin(), more.end());
  }
  m_queue.clear();
  m_nQueuedBytes = 0;
  return failures;
}

std::vector<FileRestoreContext::Failure> FileRestoreContext::CommitInBackground() {
  std::vector<Failure> failures = WaitForRunningCommits(kMaxBatchesInFlight - 1);
  if (m_queue.empty()) return failures;
  // Shared, so that the batch outlives a thread that could not be started.
  auto batch = std::make_shared<const std::vector<Queued>>(std::move(m_queue));
  // A batch flushes its data at once, alongside those before it, but renames only
  // after them: a later record may name the same file as an earlier one.
  auto turnEnd = std::make_shared<TurnEnd>();
  std::shared_future<void> ended = turnEnd->promise.get_future().share();
  try {
    auto commit = [&os = Os(), batch, before = m_lastTurnEnded, turnEnd] {
      return CommitInTurn(os, *batch, before, *turnEnd);
    };
    m_running.push_back(std::async(std::launch::async, std::move(commit)).share());
    m_lastTurnEnded = std::move(ended);
  } catch (const std::system_error&) {
    // No thread to be had: the batch is committed here, after those on their way.
    std::vector<Failure> earlier = WaitForRunningCommits(0);
    failures.insert(failures.end(), earlier.begin(), earlier.end());
    std::vector<Failure> more = CommitBatch(Os(), *batch, RenameTurn{});
    failures.insert(failures.end(), more.begin(), more.end());
  }
  m_queue.clear();
  m_nQueuedBytes = 0;
  return failures;
}

}  // namespace qv
