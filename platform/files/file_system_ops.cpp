#include "platform/files/file_system_ops.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/last_error.h"
#include "platform/os_error.h"
#include "platform/win_types.h"

namespace qv {
namespace {

// What Windows reports when a file, not a folder, holds the name.
constexpr int kErrorFileExists = 80;

constexpr char kTempPrefix[] = ".quorvel-";
constexpr char kTempSuffix[] = ".tmp";

std::string ParentFolder(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

void SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  // Some file systems refuse fsync on a folder; the rename itself has happened,
  // and there is nothing better to do there than trust their own ordering.
  (void)fsync(fd);
  close(fd);
}

// The process's file-creation mask, read without changing it (umask() would change it
// for every thread for a moment). Falls back to the usual 022.
mode_t CurrentUmask() {
  const int fd = open("/proc/self/status", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 022;
  char buffer[4096];
  const ssize_t count = read(fd, buffer, sizeof(buffer) - 1);
  close(fd);
  if (count <= 0) return 022;
  buffer[count] = '\0';
  const char* line = strstr(buffer, "Umask:");
  return line ? static_cast<mode_t>(strtoul(line + 6, nullptr, 8)) : 022;
}

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

bool CreateTempFileIn(const std::string& folder, std::string* path) {
  std::string pattern = folder;
  if (pattern.empty() || pattern.back() != '/') pattern += '/';
  pattern += std::string(kTempPrefix) + "XXXXXX" + kTempSuffix;
  const int fd = mkostemps(pattern.data(), sizeof(kTempSuffix) - 1, O_CLOEXEC);
  if (fd < 0) {
    SetLastErrorFromErrno("cannot create a temporary file in", folder, errno);
    return false;
  }
  // A temporary file becomes an archive or a restored favorite: it gets the mode a
  // plain create would give, not mkstemp's owner-only 0600. Should fchmod fail, the
  // file stays owner-only, which loses nothing.
  (void)fchmod(fd, 0666 & ~CurrentUmask());
  close(fd);
  *path = std::move(pattern);
  return true;
}

bool RenameDurably(const std::string& from, const std::string& to) {
  if (rename(from.c_str(), to.c_str()) != 0) {
    SetLastErrorFromErrno("cannot rename " + from + " to", to, errno);
    return false;
  }
  const std::string toFolder = ParentFolder(to);
  SyncFolder(toFolder);
  const std::string fromFolder = ParentFolder(from);
  if (fromFolder != toFolder) SyncFolder(fromFolder);
  return true;
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
