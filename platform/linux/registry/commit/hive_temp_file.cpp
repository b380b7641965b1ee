#include "platform/linux/registry/commit/hive_temp_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/shared/last_error.h"
#include "platform/linux/files/temp_files.h"
#include "platform/linux/files/unique_fd.h"

namespace qv {
namespace {

Status OsFailure(const std::string& what) {
  return Status::Error(what + ": " + std::strerror(errno));
}

std::string FolderOf(const std::string& path) {
  const std::string folder = std::filesystem::path(path).parent_path().string();
  return folder.empty() ? "." : folder;
}

}  // namespace

HiveTempFile::~HiveTempFile() {
  if (m_bOwned) ::unlink(m_strPath.c_str());
}

Status HiveTempFile::Create(const std::string& targetPath) {
  if (!CreateTempFileIn(FolderOf(targetPath), TempFileMode::kOwnerOnly, &m_strPath)) {
    return Status::Error(LastErrorTextOfThread());
  }
  m_bOwned = true;
  // A hive that cannot be looked at is refused when it is opened; here it has
  // nothing to hand on.
  if (!LookUpReplacedAccess(targetPath, true, &m_targetAccess)) m_targetAccess = ReplacedAccess();
  return Status::Ok();
}

Status HiveTempFile::Write(const std::vector<std::uint8_t>& bytes) {
  UniqueFd fd(::open(m_strPath.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
  if (fd.Get() < 0) return OsFailure("cannot open " + m_strPath);
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t count = ::write(fd.Get(), bytes.data() + written, bytes.size() - written);
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
  UniqueFd fd(::open(m_strPath.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Get() < 0) return OsFailure("cannot open " + m_strPath);
  if (!GiveReplacedAccess(fd.Get(), m_strPath, m_targetAccess)) return Status::Error(LastErrorTextOfThread());
  if (::fsync(fd.Get()) != 0) return OsFailure("cannot sync " + m_strPath);
  return Status::Ok();
}

Status HiveTempFile::Replace(const std::string& targetPath) {
  bool renamed = false;
  const bool durable = RenameDurably(m_strPath, targetPath, &renamed);
  if (renamed) m_bOwned = false;
  // Even a hive that is in place, but whose rename may not survive a power loss,
  // is worth a word to the caller.
  return durable ? Status::Ok() : Status::Error(LastErrorTextOfThread());
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
