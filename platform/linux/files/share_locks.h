// Windows share modes as advisory locks between openers.
//
// Windows admits an open only when it tolerates every open already made and each
// of those tolerates it. With the two share modes the engine uses (none, read),
// that comes down to: read-only opens that share reading coexist; any other open
// (one that writes, or one that shares nothing) stands alone. A shared or an
// exclusive flock() on the open file description expresses exactly that, and it
// holds between threads as between processes, because each CreateFileW opens its
// own description.
//
// A reader that shares both reading and writing excludes nobody and, since every
// writer here shares reading, is excluded by nobody either: it takes no lock. That
// is what a size query wants; it must never make a backup's reader fail.
//
// So an archive being written cannot be read (a backup that walks into its own
// output folder skips the archive instead of copying it into itself without end),
// and a file open for reading cannot be replaced under the reader.
#pragma once

#include <cstdint>
#include <string>

namespace qv {

enum class ShareLock { kNone, kShared, kExclusive };

ShareLock ShareLockFor(std::uint32_t access, std::uint32_t shareMode);

// Takes the lock without waiting. False when another opener holds a conflicting
// one ("... is in use") or the lock fails otherwise. File systems without locks
// are let through unlocked: the locks only ever guarded against other openers.
[[nodiscard]] bool TakeShareLock(int fd, ShareLock lock, const std::string& nativePath);

}  // namespace qv
