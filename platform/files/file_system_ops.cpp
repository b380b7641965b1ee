#include "platform/files/file_system_ops.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/errors/last_error.h"
#include "platform/errors/os_error.h"
#include "platform/win_types.h"

namespace qv {
namespace {

// What Windows reports when a file, not a folder, holds the name.
constexpr int kErrorFileExists = 80;

bool IsFolder(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
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
  if (IsFolder(path)) return kErrorAlreadyExists;
  std::size_t end = 0;
  while (end != std::string::npos) {
    end = path.find('/', end + 1);
    const std::string prefix = path.substr(0, end);
    if (prefix.empty() || prefix.back() == '/') continue;
    if (mkdir(prefix.c_str(), 0777) == 0) continue;
    const int error = errno;
    if (error == EEXIST && IsFolder(prefix)) continue;
    SetLastErrorFromErrno("cannot create the folder", prefix, error);
    if (error == EEXIST) return end == std::string::npos ? kErrorFileExists : kErrorPathNotFound;
    return WindowsErrorFromErrno(error);
  }
  return 0;
}

}  // namespace qv
