#include "platform/linux/files/share_locks.h"

#include <sys/file.h>

#include <cerrno>

#include "platform/shared/last_error.h"
#include "platform/linux/os_error.h"
#include "platform/win_types.h"

namespace qv {

ShareLock ShareLockFor(std::uint32_t access, std::uint32_t shareMode) {
  const bool readOnly = access == kGenericRead;
  const bool sharesReading = (shareMode & kFileShareRead) != 0;
  const bool sharesWriting = (shareMode & kFileShareWrite) != 0;
  if (readOnly && sharesReading && sharesWriting) return ShareLock::kNone;
  return readOnly && sharesReading ? ShareLock::kShared : ShareLock::kExclusive;
}

bool TakeShareLock(int fd, ShareLock lock, const std::string& nativePath) {
  if (lock == ShareLock::kNone) return true;
  const int operation = (lock == ShareLock::kShared ? LOCK_SH : LOCK_EX) | LOCK_NB;
  for (;;) {
    if (flock(fd, operation) == 0) return true;
    const int error = errno;
    if (error == EINTR) continue;
    if (error == EWOULDBLOCK) {
      SetLastErrorText(nativePath + " is in use: another opener's sharing excludes this open");
      return false;
    }
    if (error == ENOLCK || error == EOPNOTSUPP) return true;
    SetLastErrorFromErrno("cannot lock", nativePath, error);
    return false;
  }
}

}  // namespace qv
