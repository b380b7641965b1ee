#include "platform/linux/files/temp_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "platform/shared/last_error.h"
#include "platform/linux/os_error.h"
#include "platform/linux/files/unique_fd.h"
#include "platform/temp_file_name.h"

namespace qv {
namespace {


std::string ParentFolder(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool SyncFolder(const std::string& folder) {
  UniqueFd fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd.Valid()) {
    SetLastErrorFromErrno("cannot open the folder", folder, errno);
    return false;
  }
  if (fsync(fd.Get()) == 0) return true;
  const int error = errno;
  // fsync(2): these mean the file system has no folder sync to offer.
  if (error == EINVAL || error == EROFS || error == ENOTSUP) return true;
  SetLastErrorFromErrno("cannot sync the folder", folder, error);
  return false;
}

// Fills `name` with letters and digits. The names need not be secret: O_EXCL makes
// a taken name fail, and the caller tries another.
void FillRandomName(char* name, std::size_t count) {
  static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937_64 random{std::random_device{}()};
  for (std::size_t i = 0; i < count; ++i) name[i] = kChars[random() % (sizeof kChars - 1)];
}

// syncfs on the file system of each folder, once per file system. False (with
// LastErrorText) when one of them reports a write error.
bool SyncFileSystemsOf(const std::vector<std::string>& folders) {
  std::vector<dev_t> done;
  for (const std::string& folder : folders) {
    UniqueFd fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat info {};
    if (!fd.Valid() || fstat(fd.Get(), &info) != 0) {
      SetLastErrorFromErrno("cannot open the folder", folder, errno);
      return false;
    }
    if (std::find(done.begin(), done.end(), info.st_dev) != done.end()) continue;
    if (syncfs(fd.Get()) != 0) {
      SetLastErrorFromErrno("cannot sync the file system of", folder, errno);
      return false;
    }
    done.push_back(info.st_dev);
  }
  return true;
}

bool ProcessIsAlive(std::uint64_t process) {
  if (process > static_cast<std::uint64_t>(std::numeric_limits<pid_t>::max())) return false;
  return kill(static_cast<pid_t>(process), 0) == 0 || errno == EPERM;
}

// Whether `name` in the open folder is a temporary file of ours that nobody can be
// writing any more.
bool IsStale(int folder, std::string_view name) {
  const TempFileName parsed = ParseTempFileName(name);
  if (!parsed.bOurs) return false;
  // A live writer of ours (its process still runs) keeps its file, whatever locks
  // it holds at this moment: between two opens it holds none.
  if (parsed.nProcess != 0 && ProcessIsAlive(parsed.nProcess)) return false;
  const UniqueFd fd(openat(folder, std::string(name).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
  if (!fd.Valid()) return false;
  // Every writer of ours holds a share lock while it writes; a file that can be
  // locked exclusively is written by nobody.
  return flock(fd.Get(), LOCK_EX | LOCK_NB) == 0;
}

}  // namespace

bool CreateTempFileIn(const std::string& folder, TempFileMode mode, std::string* path, UniqueFd* opened) {
  std::string name = folder;
  if (name.empty() || name.back() != '/') name += '/';
  name += std::string(kTempNamePrefix) + std::to_string(getpid()) + "-";
  const std::size_t randomAt = name.size();
  name += std::string(kTempNameRandomChars, 'X') + std::string(kTempNameSuffix);
  // As mkostemps, but with the final mode given at creation (the umask applies as to
  // any new file), so that no fchmod follows, and open for writing only.
  const mode_t createMode = mode == TempFileMode::kPlainCreate ? 0666 : 0600;
  UniqueFd fd;
  int error = EEXIST;
  for (int attempt = 0; attempt < 100 && !fd.Valid() && (error == EEXIST || error == EINTR); ++attempt) {
    FillRandomName(name.data() + randomAt, kTempNameRandomChars);
    fd = UniqueFd(open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, createMode));
    error = errno;
  }
  if (!fd.Valid()) {
    SetLastErrorFromErrno("cannot create a temporary file in", folder, error);
    return false;
  }
  *path = std::move(name);
  if (opened) *opened = std::move(fd);
  return true;
}

bool LookUpReplacedAccess(const std::string& target, bool followLink, ReplacedAccess* access) {
  *access = ReplacedAccess();
  struct stat info {};
  if ((followLink ? stat(target.c_str(), &info) : lstat(target.c_str(), &info)) != 0) {
    if (errno == ENOENT) return true;
    SetLastErrorFromErrno("cannot look at", target, errno);
    return false;
  }
  if (!S_ISREG(info.st_mode)) return true;
  access->bPresent = true;
  access->nMode = info.st_mode & 0777;
  access->nOwner = info.st_uid;
  access->nGroup = info.st_gid;
  return true;
}

bool GiveReplacedAccess(int fd, const std::string& path, const ReplacedAccess& access) {
  if (!access.bPresent) return true;
  struct stat info {};
  if (fstat(fd, &info) != 0) {
    SetLastErrorFromErrno("cannot look at", path, errno);
    return false;
  }
  if (info.st_uid != access.nOwner || info.st_gid != access.nGroup) {
    // Only root may give a file away; a user may still give it a group of theirs.
    // Either way the permissions below are set, and they decide who reads it.
    if (fchown(fd, access.nOwner, access.nGroup) != 0 && info.st_gid != access.nGroup) {
      // The result is kept, not cast to void: glibc's fortified headers warn on a
      // discarded one whatever the cast, and a packager's build must not stop there.
      const int nGroupOnly = fchown(fd, static_cast<uid_t>(-1), access.nGroup);
      static_cast<void>(nGroupOnly);
    }
  }
  if ((info.st_mode & 07777) != access.nMode && fchmod(fd, static_cast<mode_t>(access.nMode)) != 0) {
    SetLastErrorFromErrno("cannot set the permissions of", path, errno);
    return false;
  }
  return true;
}

bool TakeOverAccess(const std::string& temp, const std::string& target) {
  ReplacedAccess access;
  if (!LookUpReplacedAccess(target, false, &access)) return false;
  if (!access.bPresent) return true;
  // A file put back over itself usually has its rights already: one look then.
  struct stat info {};
  if (lstat(temp.c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & 07777) == access.nMode &&
      info.st_uid == access.nOwner && info.st_gid == access.nGroup) {
    return true;
  }
  // Never through a link, nor of a file with other names: somebody who may write
  // the folder must not make us change the rights of a file they chose.
  UniqueFd fd(open(temp.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  // A umask may leave the owner only the right to write.
  if (!fd.Valid() && errno == EACCES) fd = UniqueFd(open(temp.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!fd.Valid() || fstat(fd.Get(), &info) != 0) {
    SetLastErrorFromErrno("cannot open", temp, errno);
    return false;
  }
  if (!S_ISREG(info.st_mode) || info.st_nlink != 1) {
    SetLastErrorText(temp + " is not a plain file of one name");
    return false;
  }
  return GiveReplacedAccess(fd.Get(), temp, access);
}

bool ReplaceFileDurably(const std::string& temp, const std::string& target) {
  if (!TakeOverAccess(temp, target)) {
    SetLastErrorText("cannot give the new file the permissions of the one it replaces: " + LastErrorTextOfThread());
    return false;
  }
  return RenameDurably(temp, target);
}

std::vector<std::string> ReplaceFilesDurably(
    const std::vector<std::pair<std::string, std::string>>& tempAndTarget, const RenameTurn& turn) {
  std::vector<std::string> problems(tempAndTarget.size());
  std::vector<std::string> folders;
  for (const auto& [temp, target] : tempAndTarget) {
    const std::string folder = ParentFolder(target);
    if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(folder);
  }
  const bool flushed = SyncFileSystemsOf(folders);
  const std::string flushProblem =
      flushed ? "" : "cannot flush the content to disk: " + LastErrorTextOfThread();
  // Taken either way, so that the batches after this one are not held up.
  TakenTurn taken(turn);
  if (!flushed) {
    // Nothing is renamed: a target must never point at data that is not on disk.
    for (std::size_t i = 0; i < tempAndTarget.size(); ++i) {
      problems[i] = flushProblem;
      (void)unlink(tempAndTarget[i].first.c_str());
    }
    return problems;
  }
  for (std::size_t i = 0; i < tempAndTarget.size(); ++i) {
    const auto& [temp, target] = tempAndTarget[i];
    // In the turn, right before the rename: a batch before this one may just have
    // put the target in place.
    if (!TakeOverAccess(temp, target)) {
      problems[i] = "cannot give the file the permissions of the one it replaces: " + LastErrorTextOfThread();
      (void)unlink(temp.c_str());
      continue;
    }
    if (rename(temp.c_str(), target.c_str()) != 0) {
      SetLastErrorFromErrno("cannot rename " + temp + " to", target, errno);
      problems[i] = "cannot replace the file: " + LastErrorTextOfThread();
      (void)unlink(temp.c_str());
    }
  }
  // The renames are this batch's own from here; its second sync may overlap the
  // next batch's renames.
  taken.End();
  if (!SyncFileSystemsOf(folders)) {
    const std::string why = "the file is in place, but the rename may not survive a crash: " +
                            LastErrorTextOfThread();
    for (std::string& problem : problems) {
      if (problem.empty()) problem = why;
    }
  }
  return problems;
}

std::uint64_t RemoveStaleTempFiles(const std::string& folder, bool withSubfolders) {
  std::uint64_t removed = 0;
  std::vector<std::string> pending{folder};
  while (!pending.empty()) {
    const std::string current = std::move(pending.back());
    pending.pop_back();
    DIR* listing = opendir(current.c_str());
    if (listing == nullptr) continue;  // nothing of ours can be found there either
    while (const dirent* entry = readdir(listing)) {
      const std::string_view name = entry->d_name;
      if (name == "." || name == "..") continue;
      const std::string path = current + "/" + std::string(name);
      unsigned char type = entry->d_type;
      if (type == DT_UNKNOWN) {
        struct stat info {};
        if (fstatat(dirfd(listing), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
        type = S_ISDIR(info.st_mode) ? DT_DIR : S_ISREG(info.st_mode) ? DT_REG : DT_LNK;
      }
      if (type == DT_DIR) {
        if (withSubfolders) pending.push_back(path);
        continue;
      }
      if (type == DT_REG && IsStale(dirfd(listing), name)) {
        if (unlinkat(dirfd(listing), entry->d_name, 0) == 0) ++removed;
      }
    }
    closedir(listing);
  }
  return removed;
}

bool RenameDurably(const std::string& from, const std::string& to, bool* renamed) {
  if (renamed) *renamed = false;
  if (rename(from.c_str(), to.c_str()) != 0) {
    SetLastErrorFromErrno("cannot rename " + from + " to", to, errno);
    return false;
  }
  if (renamed) *renamed = true;
  const std::string toFolder = ParentFolder(to);
  const std::string fromFolder = ParentFolder(from);
  if (SyncFolder(toFolder) && (fromFolder == toFolder || SyncFolder(fromFolder))) return true;
  SetLastErrorText(to + " is in place, but the rename may not survive a crash: " +
                   LastErrorTextOfThread());
  return false;
}

}  // namespace qv
