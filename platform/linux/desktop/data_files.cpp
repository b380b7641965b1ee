#include "platform/linux/desktop/data_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>

#include "platform/shared/last_error.h"
#include "platform/linux/files/file_system_ops.h"
#include "platform/linux/files/temp_files.h"
#include "platform/linux/files/unique_fd.h"
#include "platform/win_types.h"

namespace qv {
namespace {

Status ErrnoStatus(const std::string& what, const std::string& path, int error) {
  return Status::Error(what + " " + path + ": " + std::strerror(error));
}

Status WriteAll(int fd, const std::string& bytes, const std::string& path) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) return ErrnoStatus("cannot write", path, errno);
    done += static_cast<std::size_t>(written);
  }
  return Status::Ok();
}

Status WriteOne(const std::string& folder, const std::string& target, const std::string& bytes) {
  const int created = CreateFolderTree(folder);
  if (created != 0 && created != kErrorAlreadyExists) {
    return Status::Error("cannot create the folder " + folder + ": " + LastErrorTextOfThread());
  }
  std::string temp;
  if (!CreateTempFileIn(folder, TempFileMode::kPlainCreate, &temp)) {
    return Status::Error("cannot create a temporary file in " + folder + ": " + LastErrorTextOfThread());
  }
  UniqueFd fd(open(temp.c_str(), O_WRONLY | O_CLOEXEC));
  Status status = fd.Valid() ? WriteAll(fd.Get(), bytes, temp) : ErrnoStatus("cannot open", temp, errno);
  if (status.ok() && !fd.Close()) status = ErrnoStatus("cannot write", temp, errno);
  if (status.ok() && std::rename(temp.c_str(), target.c_str()) != 0) {
    status = ErrnoStatus("cannot rename a temporary file to", target, errno);
  }
  if (!status.ok()) (void)DeleteNativeFile(temp);  // best effort: the failure is what counts
  return status;
}

}  // namespace

Status RemoveDataFiles(const std::string& dataFolder, const std::vector<std::string>& relativePaths) {
  Status first;
  for (const std::string& relativePath : relativePaths) {
    const std::string target = dataFolder + "/" + relativePath;
    if (unlink(target.c_str()) != 0 && errno != ENOENT && first.ok()) {
      first = ErrnoStatus("cannot delete", target, errno);
    }
  }
  return first;
}

Status WriteDataFiles(const std::string& dataFolder, const std::vector<DataFile>& files) {
  Status first;
  std::set<std::string> swept;
  for (const DataFile& file : files) {
    const std::string target = dataFolder + "/" + file.strRelativePath;
    const std::string folder = target.substr(0, target.find_last_of('/'));
    // What a start killed between the temporary file and its rename left behind.
    if (swept.insert(folder).second) (void)RemoveStaleTempFiles(folder, false);
    Status status = WriteOne(folder, target, file.strBytes);
    if (first.ok() && !status.ok()) first = std::move(status);
  }
  return first;
}

}  // namespace qv
