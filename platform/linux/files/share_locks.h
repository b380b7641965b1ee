// Windows share modes as advisory locks between openers.
//
// Windows admits an open only when it tolerates every open already made and each
// of those tolerates it. With the share modes the engine uses (none, read, and
// read and write for a reader), that comes down to: read-only opens that share
// reading coexist; an open that writes stands alone but for readers sharing
// writing; an open that shares nothing stands alone; and a reader that shares
// both reading and writing stands beside everyone but an open that shares
// nothing.
//
// A shared or an exclusive flock() on the open file description expresses all of
// that but the last, and it holds between threads as between processes, because
// each CreateFileW opens its own description. The last needs a second lock that
// flock cannot give: a reader sharing both takes no flock, and instead it and an
// open that shares nothing each hold an open-file-description lock on a marker
// byte of their own, far past any file's end, and each looks for the other's
// marker once its own is in place, so that of two that race at least one sees
// the other.
//
// So an archive being written cannot be read (a backup that walks into its own
// output folder skips the archive instead of copying it into itself without end),
// a file open for reading cannot be replaced under the reader, and a size query
// never makes a backup's reader fail.
#pragma once

#include <cstdint>
#include <string>

namespace qv {

enum class ShareLock {
  kReaderSharingAll,  // no flock; the marker of readers sharing everything
  kShared,            // LOCK_SH: a reader sharing reading
  kExclusive,         // LOCK_EX: an open that writes and shares reading
  kSharingNothing,    // LOCK_EX and the marker of opens that share nothing
};

ShareLock ShareLockFor(std::uint32_t access, std::uint32_t shareMode);

// Takes the lock without waiting. False when another opener holds a conflicting
// one ("... is in use") or the lock fails otherwise. File systems without locks
// are let through unlocked: the locks only ever guarded against other openers.
// `writable`: the descriptor was opened for writing (a marker lock must match it).
[[nodiscard]] bool TakeShareLock(int fd, ShareLock lock, bool writable, const std::string& nativePath);

}  // namespace qv
