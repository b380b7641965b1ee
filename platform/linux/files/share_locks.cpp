#include "platform/linux/files/share_locks.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <limits>

#include "platform/shared/last_error.h"
#include "platform/linux/os_error.h"
#include "platform/win_types.h"

namespace qv {
namespace {

// Past the end of any file: a lock there covers no data anybody reads.
constexpr off_t kReaderSharingAllMarker = std::numeric_limits<off_t>::max() - 2;
constexpr off_t kSharingNothingMarker = std::numeric_limits<off_t>::max() - 1;

void SetInUse(const std::string& nativePath) {
  SetLastErrorText(nativePath + " is in use: another opener's sharing excludes this open");
}

// Locks that no file system here offers: the open goes on without them.
bool LocksUnsupported(int error) { return error == ENOLCK || error == EOPNOTSUPP || error == EINVAL; }

// 1: in place; 0: another opener holds a conflicting one; -1: failed otherwise.
int TakeFlock(int fd, int operation, const std::string& nativePath) {
  for (;;) {
    if (flock(fd, operation | LOCK_NB) == 0) return 1;
    const int error = errno;
    if (error == EINTR) continue;
    if (error == EWOULDBLOCK) return 0;
    if (LocksUnsupported(error)) return 1;
    SetLastErrorFromErrno("cannot lock", nativePath, error);
    return -1;
  }
}

// The marker of this open's kind, then a look for the other kind's: an
// open-file-description lock, so that it belongs to this open alone and goes
// with its close.
int TakeMarker(int fd, off_t own, off_t other, bool writable, const std::string& nativePath) {
  struct flock mark {};
  mark.l_type = writable ? F_WRLCK : F_RDLCK;  // what the descriptor's mode allows
  mark.l_whence = SEEK_SET;
  mark.l_start = own;
  mark.l_len = 1;
  for (;;) {
    if (fcntl(fd, F_OFD_SETLK, &mark) == 0) break;
    const int error = errno;
    if (error == EINTR) continue;
    if (LocksUnsupported(error)) return 1;
    // A marker of this kind held as a write lock by another open of this kind:
    // that one stands alone anyway, and its flock says so.
    if (error == EAGAIN || error == EACCES) return 0;
    SetLastErrorFromErrno("cannot lock", nativePath, error);
    return -1;
  }
  struct flock look {};
  look.l_type = F_WRLCK;  // any lock at all on the other marker conflicts with this
  look.l_whence = SEEK_SET;
  look.l_start = other;
  look.l_len = 1;
  if (fcntl(fd, F_OFD_GETLK, &look) != 0) {
    if (LocksUnsupported(errno)) return 1;
    SetLastErrorFromErrno("cannot look at the locks of", nativePath, errno);
    return -1;
  }
  return look.l_type == F_UNLCK ? 1 : 0;
}

}  // namespace

ShareLock ShareLockFor(std::uint32_t access, std::uint32_t shareMode) {
  const bool readOnly = access == kGenericRead;
  const bool sharesReading = (shareMode & kFileShareRead) != 0;
  const bool sharesWriting = (shareMode & kFileShareWrite) != 0;
  if (readOnly && sharesReading && sharesWriting) return ShareLock::kReaderSharingAll;
  if (!sharesReading && !sharesWriting) return ShareLock::kSharingNothing;
  return readOnly && sharesReading ? ShareLock::kShared : ShareLock::kExclusive;
}

bool TakeShareLock(int fd, ShareLock lock, bool writable, const std::string& nativePath) {
  int taken = 1;
  switch (lock) {
    case ShareLock::kReaderSharingAll:
      taken = TakeMarker(fd, kReaderSharingAllMarker, kSharingNothingMarker, writable, nativePath);
      break;
    case ShareLock::kShared:
      taken = TakeFlock(fd, LOCK_SH, nativePath);
      break;
    case ShareLock::kExclusive:
      taken = TakeFlock(fd, LOCK_EX, nativePath);
      break;
    case ShareLock::kSharingNothing:
      taken = TakeFlock(fd, LOCK_EX, nativePath);
      if (taken == 1) taken = TakeMarker(fd, kSharingNothingMarker, kReaderSharingAllMarker, writable, nativePath);
      break;
  }
  // What was taken before a refusal goes with the descriptor, which the caller
  // closes.
  if (taken == 0) SetInUse(nativePath);
  return taken == 1;
}

}  // namespace qv
