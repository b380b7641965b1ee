#include "platform/linux/files/file_system_ops.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/shared/last_error.h"
#include "platform/linux/os_error.h"
#include "platform/linux/paths/link_resolution.h"
#include "platform/win_types.h"

namespace qv {
namespace {

// What Windows reports when a file, not a folder, holds the name.
constexpr int kErrorFileExists = 80;

bool IsFolder(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Why a name that mkdir finds taken is no folder: "File exists" alone sends the
// user looking for a file where there may be a link that leads nowhere.
std::string WhyNoFolder(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return std::strerror(errno);
  if (!S_ISLNK(info.st_mode)) return S_ISREG(info.st_mode) ? "a file holds that name" : "something other than a folder holds that name";
  std::string leadsTo(4096, '\0');
  const ssize_t length = readlink(path.c_str(), leadsTo.data(), leadsTo.size());
  leadsTo.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
  const std::string link = "it is a link to " + leadsTo;
  if (stat(path.c_str(), &info) == 0) return link + ", which is not a folder";
  if (errno == ENOENT) return link + ", which does not exist";
  if (errno == ELOOP) return link + ", which leads round in a loop of links";
  return link + ", which cannot be followed: " + std::strerror(errno);
}

// The folder is made first and its parent only when that is missing: a restore
// makes folders in order, so each usually costs one mkdir instead of one per level.
int MakeFolderAndParents(const std::string& folder, bool last) {
  if (mkdir(folder.c_str(), 0777) == 0) return 0;
  int error = errno;
  if (error == ENOENT) {
    std::size_t parentEnd = folder.find_last_of('/');
    while (parentEnd != std::string::npos && parentEnd > 0 && folder[parentEnd - 1] == '/') --parentEnd;
    if (parentEnd != std::string::npos && parentEnd > 0) {
      const int parent = MakeFolderAndParents(folder.substr(0, parentEnd), false);
      if (parent != 0 && parent != kErrorAlreadyExists) return parent;
      if (mkdir(folder.c_str(), 0777) == 0) return 0;
      error = errno;
    }
  }
  if (error == EEXIST && IsFolder(folder)) return kErrorAlreadyExists;
  if (error == EEXIST) {
    SetLastErrorText("cannot create the folder " + folder + ": " + WhyNoFolder(folder));
  } else {
    SetLastErrorFromErrno("cannot create the folder", folder, error);
  }
  if (error == EEXIST) return last ? kErrorFileExists : kErrorPathNotFound;
  return WindowsErrorFromErrno(error);
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

}  // namespace

bool DeleteNativeFile(const std::string& path) {
  if (unlink(path.c_str()) != 0) {
    SetLastErrorFromErrno("cannot delete", path, errno);
    return false;
  }
  return true;
}

bool NativePathExists(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) == 0) return true;
  SetLastErrorFromErrno("cannot find", path, errno);
  return false;
}

std::uint32_t NativeFileAttributes(const std::string& path, int* error) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) {
    const int cause = errno;
    SetLastErrorFromErrno("cannot look at", path, cause);
    if (error) *error = cause == ENOENT ? static_cast<int>(kErrorFileNotFound) : WindowsErrorFromErrno(cause);
    return kInvalidFileAttributes;
  }
  if (error) *error = 0;
  if (S_ISLNK(info.st_mode)) return kFileAttributeReparsePoint;
  return S_ISDIR(info.st_mode) ? kFileAttributeDirectory : kFileAttributeNormal;
}

int CreateFolderTree(const std::string& path) {
  std::string folder = path;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();  // the same folder
  return MakeFolderAndParents(folder, true);
}

bool LookAtWriteTarget(const std::string& path, NativeWriteTarget* target) {
  struct stat info {};
  const bool exists = stat(path.c_str(), &info) == 0;
  // ENOENT also for a link that leads to nothing: resolved below to where it leads.
  if (!exists && errno != ENOENT) {
    SetLastErrorFromErrno("cannot look at", path, errno);
    return false;
  }
  struct stat output {};
  target->bStandardOutput = exists && fstat(STDOUT_FILENO, &output) == 0 && SameFile(info, output);
  if (exists && !S_ISREG(info.st_mode)) {
    target->kind = S_ISDIR(info.st_mode) ? WriteTargetKind::kFolder : WriteTargetKind::kDevice;
    target->strPath = path;
    return true;
  }
  std::vector<std::string> components;
  if (!ResolveLinks(path, &components)) return false;
  std::string resolved;
  for (const std::string& name : components) {
    resolved += '/';
    resolved += name;
  }
  if (resolved.empty()) resolved.push_back('/');
  if (exists) {
    // Names under /proc/PID/fd lead to a file by more than a link's text (a file
    // since deleted reads as "NAME (deleted)"): where the text does not lead to
    // the very file, renaming there would replace another one.
    struct stat again {};
    if (stat(resolved.c_str(), &again) != 0 || !SameFile(info, again)) {
      SetLastErrorText("cannot tell which file " + path + " leads to");
      return false;
    }
  }
  target->kind = exists ? WriteTargetKind::kFile : WriteTargetKind::kNothing;
  target->strPath = std::move(resolved);
  return true;
}

bool NativeFolderTakesFiles(const std::string& path) {
  std::string folder = path;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  for (;;) {
    struct stat info {};
    if (stat(folder.c_str(), &info) == 0) {
      const std::string which = folder == path ? std::string("it") : "the folder " + folder + " it would be made in";
      if (!S_ISDIR(info.st_mode)) {
        SetLastErrorText(folder == path ? "it is not a folder" : folder + ", on its way, is not a folder");
        return false;
      }
      // What a restore needs of it: to add temporary files and rename them in.
      if (access(folder.c_str(), W_OK | X_OK) != 0) {
        SetLastErrorText(which + " does not take new files (" + std::strerror(errno) + ")");
        return false;
      }
      return true;
    }
    const int error = errno;
    if (struct stat link {}; error == ENOENT && lstat(folder.c_str(), &link) == 0) {
      SetLastErrorText(folder == path ? "it is a link that leads nowhere" : folder + ", on its way, is a link that leads nowhere");
      return false;
    }
    // ENOTDIR: something on the way is not a folder, which the parent's look names.
    const std::size_t slash = folder.find_last_of('/');
    if ((error != ENOENT && error != ENOTDIR) || slash == std::string::npos || folder.size() <= 1) {
      SetLastErrorFromErrno("cannot look at", folder, error);
      return false;
    }
    folder.resize(slash == 0 ? 1 : slash);
  }
}

bool NativeNameFits(const std::string& name) {
  if (name.size() <= NAME_MAX) return true;
  SetLastErrorText("it takes " + std::to_string(name.size()) + " bytes, more than the " + std::to_string(NAME_MAX) +
                   " a name holds on this system (" + std::strerror(ENAMETOOLONG) + ")");
  return false;
}

}  // namespace qv
