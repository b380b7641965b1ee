// Our temporary files and the rename that puts one in place. Every file we write
// (an archive, a restored favorite, a hive) is first written whole to a temporary
// file in the folder of its target (one file system, so the rename is atomic) and
// only then renamed over the target, so a failure or a crash at any earlier point
// leaves the target as it was.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/linux/files/unique_fd.h"
#include "platform/rename_turn.h"

namespace qv {

enum class TempFileMode {
  kPlainCreate,  // 0666 less the umask: it becomes an archive or a favorite
  kOwnerOnly,    // 0600: it becomes a hive, whose mode the commit copies later
};

// Creates a new empty file ".quorvel-<pid>-XXXXXX.tmp" (platform/temp_file_name.h)
// in `folder`; *path is its path. With `opened`, the file stays open for writing
// there, so that whoever writes it next need not look it up again.
[[nodiscard]] bool CreateTempFileIn(const std::string& folder, TempFileMode mode, std::string* path,
                                    UniqueFd* opened = nullptr);

// Puts many temporary files in place of their targets with two syncs for all of
// them instead of two for each: first every file's data reaches the disk (one
// syncfs per file system), then each is renamed, in `turn`, then the renames are
// made durable the same way. A crash at any point leaves every target either as
// it was or wholly replaced. One text per pair: empty when that target now holds
// the new content durably, else why not (the temporary file is then deleted).
std::vector<std::string> ReplaceFilesDurably(
    const std::vector<std::pair<std::string, std::string>>& tempAndTarget, const RenameTurn& turn);

// Deletes the temporary files of ours in `folder` (and, with `withSubfolders`, in
// every folder below it, never through a link) that no live process can still be
// writing: the process named in the name is gone, and nobody holds a share lock on
// the file. Returns how many it deleted.
std::uint64_t RemoveStaleTempFiles(const std::string& folder, bool withSubfolders);

// rename(), then a sync of the folders involved, so that the new name survives a
// crash. False when the rename failed, or when it happened but a folder could not
// be synced (the rename may then not survive a crash); *renamed tells which.
// A file system that offers no folder sync at all is trusted with its own order.
[[nodiscard]] bool RenameDurably(const std::string& from, const std::string& to,
                                 bool* renamed = nullptr);

}  // namespace qv
