// Our temporary files and the rename that puts one in place. Every file we write
// (an archive, a restored favorite, a hive) is first written whole to a temporary
// file in the folder of its target (one file system, so the rename is atomic) and
// only then renamed over the target, so a failure or a crash at any earlier point
// leaves the target as it was.
#pragma once

#include <string>
#include <string_view>

namespace qv {

enum class TempFileMode {
  kPlainCreate,  // 0666 less the umask: it becomes an archive or a favorite
  kOwnerOnly,    // 0600: it becomes a hive, whose mode the commit copies later
};

// Creates a new empty file ".quorvel-XXXXXX.tmp" in `folder`; *path is its path.
[[nodiscard]] bool CreateTempFileIn(const std::string& folder, TempFileMode mode, std::string* path);

// Whether a bare file name has exactly the form CreateTempFileIn gives it, so that
// a user's own ".quorvel-notes.tmp" is never taken for one of ours.
bool IsTempFileName(std::string_view name);

// rename(), then a sync of the folders involved, so that the new name survives a
// crash. False when the rename failed, or when it happened but a folder could not
// be synced (the rename may then not survive a crash); *renamed tells which.
// A file system that offers no folder sync at all is trusted with its own order.
[[nodiscard]] bool RenameDurably(const std::string& from, const std::string& to,
                                 bool* renamed = nullptr);

}  // namespace qv
