#include "platform/linux/os_error.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/shared/last_error.h"
#include "platform/win_types.h"

namespace qv {
namespace {

constexpr int kErrorWriteProtect = 19;
constexpr int kErrorGenFailure = 31;
constexpr int kErrorDiskFull = 112;
constexpr int kErrorFilenameExcedRange = 206;

}  // namespace

void SetLastErrorFromErrno(std::string_view what, std::string_view nativePath, int error) {
  std::string text(what);
  text += ' ';
  text += nativePath;
  text += ": ";
  text += std::strerror(error);
  SetLastErrorText(std::move(text));
}

int WindowsErrorFromErrno(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return static_cast<int>(kErrorAccessDenied);
    case ENOENT:
    case ENOTDIR:
      return kErrorPathNotFound;
    case EEXIST:
      return kErrorAlreadyExists;
    case ENOSPC:
    case EDQUOT:
      return kErrorDiskFull;
    case EROFS:
      return kErrorWriteProtect;
    case ENAMETOOLONG:
      return kErrorFilenameExcedRange;
    default:
      return kErrorGenFailure;
  }
}

}  // namespace qv
