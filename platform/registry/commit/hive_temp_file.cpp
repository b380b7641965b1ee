#include "platform/registry/commit/hive_temp_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace qv {
namespace {

Status OsFailure(const std::string& what) {
  return Status::Error(what + ": " + std::strerror(errno));
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : m_nFd(fd) {}
  ~FileDescriptor() {
    if (m_nFd >= 0) ::close(m_nFd);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return m_nFd; }
  // close() can report a delayed write error, so its result counts.
  bool Close() {
    const int fd = m_nFd;
    m_nFd = -1;
    return ::close(fd) == 0;
  }

 private:
  int m_nFd;
};

std::string FolderOf(const std::string& path) {
  const std::string folder = std::filesystem::path(path).parent_path().string();
  return folder.empty() ? "." : folder;
}

}  // namespace

HiveTempFile::~HiveTempFile() {
  if (m_bOwned) ::unlink(m_strPath.c_str());
}

Status HiveTempFile::Create(const std::string& targetPath) {
  std::string pattern = targetPath + ".quorvel-XXXXXX";
  FileDescriptor fd(::mkstemp(pattern.data()));
  if (fd.get() < 0) return OsFailure("cannot create a temporary file next to " + targetPath);
  m_strPath = pattern;
  m_bOwned = true;
  struct stat target {};
  if (::stat(targetPath.c_str(), &target) == 0) {
    m_bHasTargetMode = true;
    m_nTargetMode = target.st_mode & 07777;
  }
  if (!fd.Close()) return OsFailure("cannot create " + m_strPath);
  return Status::Ok();
}

Status HiveTempFile::Write(const std::vector<std::uint8_t>& bytes) {
  FileDescriptor fd(::open(m_strPath.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
  if (fd.get() < 0) return OsFailure("cannot open " + m_strPath);
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t count = ::write(fd.get(), bytes.data() + written, bytes.size() - written);
    if (count < 0) {
      if (errno == EINTR) continue;
      return OsFailure("cannot write " + m_strPath);
    }
    written += static_cast<std::size_t>(count);
  }
  if (!fd.Close()) return OsFailure("cannot write " + m_strPath);
  return Status::Ok();
}

Status HiveTempFile::Sync() {
  FileDescriptor fd(::open(m_strPath.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return OsFailure("cannot open " + m_strPath);
  if (m_bHasTargetMode && ::fchmod(fd.get(), static_cast<mode_t>(m_nTargetMode)) != 0) {
    return OsFailure("cannot set the permissions of " + m_strPath);
  }
  if (::fsync(fd.get()) != 0) return OsFailure("cannot sync " + m_strPath);
  return Status::Ok();
}

Status HiveTempFile::Replace(const std::string& targetPath) {
  if (::rename(m_strPath.c_str(), targetPath.c_str()) != 0) {
    return OsFailure("cannot replace " + targetPath + " with " + m_strPath);
  }
  m_bOwned = false;
  const std::string folder = FolderOf(targetPath);
  FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() < 0 || ::fsync(dir.get()) != 0) {
    // The new hive is in place and complete; only its survival of a power loss in
    // the next moments is not assured, which the caller should still hear about.
    return OsFailure(targetPath + " was replaced, but its folder could not be synced");
  }
  return Status::Ok();
}

Status CheckCanReplace(const std::string& targetPath) {
  if (::access(targetPath.c_str(), W_OK) != 0 && errno != ENOENT) {
    return OsFailure(targetPath + " cannot be written");
  }
  std::filesystem::path folder = FolderOf(targetPath);
  std::error_code ignored;
  while (!std::filesystem::exists(folder, ignored) && folder.has_parent_path() &&
         folder.parent_path() != folder) {
    folder = folder.parent_path();
  }
  if (!std::filesystem::is_directory(folder, ignored)) {
    return Status::Error(targetPath + " cannot be written: " + folder.string() +
                         " is not a folder");
  }
  if (::access(folder.c_str(), W_OK | X_OK) != 0) {
    return OsFailure(targetPath + " cannot be replaced, as its folder " + folder.string() +
                     " does not take new files");
  }
  return Status::Ok();
}

}  // namespace qv
