#include "platform/linux/files/file_system_ops.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/shared/last_error.h"
#include "platform/linux/os_error.h"
#include "platform/win_types.h"

namespace qv {
namespace {

// What Windows reports when a file, not a folder, holds the name.
constexpr int kErrorFileExists = 80;

bool IsFolder(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
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
  SetLastErrorFromErrno("cannot create the folder", folder, error);
  if (error == EEXIST) return last ? kErrorFileExists : kErrorPathNotFound;
  return WindowsErrorFromErrno(error);
}

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

}  // namespace qv
