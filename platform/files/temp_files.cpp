#include "platform/files/temp_files.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/errors/last_error.h"
#include "platform/errors/os_error.h"
#include "platform/files/unique_fd.h"

namespace qv {
namespace {

constexpr std::string_view kTempPrefix = ".quorvel-";
constexpr std::string_view kTempSuffix = ".tmp";
constexpr std::size_t kTempRandomChars = 6;  // mkostemps' XXXXXX

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

// The process's file-creation mask, read without changing it (umask() would change it
// for every thread for a moment). Falls back to the usual 022.
mode_t CurrentUmask() {
  UniqueFd fd(open("/proc/self/status", O_RDONLY | O_CLOEXEC));
  if (!fd.Valid()) return 022;
  char buffer[4096];
  const ssize_t count = read(fd.Get(), buffer, sizeof(buffer) - 1);
  if (count <= 0) return 022;
  buffer[count] = '\0';
  const char* line = strstr(buffer, "Umask:");
  return line ? static_cast<mode_t>(strtoul(line + 6, nullptr, 8)) : 022;
}

}  // namespace

bool CreateTempFileIn(const std::string& folder, TempFileMode mode, std::string* path) {
  std::string pattern = folder;
  if (pattern.empty() || pattern.back() != '/') pattern += '/';
  pattern += std::string(kTempPrefix) + std::string(kTempRandomChars, 'X') + std::string(kTempSuffix);
  UniqueFd fd(mkostemps(pattern.data(), static_cast<int>(kTempSuffix.size()), O_CLOEXEC));
  if (!fd.Valid()) {
    SetLastErrorFromErrno("cannot create a temporary file in", folder, errno);
    return false;
  }
  // mkostemps makes the file owner-only. Should fchmod fail, it stays so, which
  // loses nothing.
  if (mode == TempFileMode::kPlainCreate) (void)fchmod(fd.Get(), 0666 & ~CurrentUmask());
  *path = std::move(pattern);
  return true;
}

bool IsTempFileName(std::string_view name) {
  if (name.size() != kTempPrefix.size() + kTempRandomChars + kTempSuffix.size() ||
      !name.starts_with(kTempPrefix) || !name.ends_with(kTempSuffix)) {
    return false;
  }
  for (const char c : name.substr(kTempPrefix.size(), kTempRandomChars)) {
    if (!std::isalnum(static_cast<unsigned char>(c))) return false;
  }
  return true;
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
