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
  kOwnerOnly,    // 0600: what a protected archive holds, or a hive, whose mode the commit copies later
};

// Creates a new empty file ".quorvel-<pid>-XXXXXX.tmp" (platform/temp_file_name.h)
// in `folder`; *path is its path. With `opened`, the file stays open for writing
// there, so that whoever writes it next need not look it up again.
[[nodiscard]] bool CreateTempFileIn(const std::string& folder, TempFileMode mode, std::string* path,
                                    UniqueFd* opened = nullptr);

// Who may read and write a file that is to be replaced, handed on to the file that
// replaces it: its permission bits, and its owner and group where this process may
// set them (root may; a user may give a file only to a group of their own). Without
// this a rename would leave the new file with the mode and owner its writer gave it,
// opening a private file to others, or taking a user's file from them when root
// restores into their profile.
struct ReplacedAccess {
  bool bPresent = false;  // false: no plain file is there, nothing to hand on
  std::uint32_t nMode = 0;   // the permission bits alone: set-id bits are not handed on
  std::uint32_t nOwner = 0;
  std::uint32_t nGroup = 0;
};

// Looks at what `target` is now (its final link followed only with `followLink`).
// False, with LastErrorText, when it cannot be looked at; a missing target is no
// failure (bPresent stays false).
[[nodiscard]] bool LookUpReplacedAccess(const std::string& target, bool followLink, ReplacedAccess* access);
// Gives the open file `fd` (of ours, at `path`) what `access` says. False, with
// LastErrorText, when the permissions cannot be set; an owner this process may not
// give is left as it is.
[[nodiscard]] bool GiveReplacedAccess(int fd, const std::string& path, const ReplacedAccess& access);
// Both, for the temporary file `temp` that is about to replace `target`; `temp` is
// opened without following a link and must be a plain file of one name.
[[nodiscard]] bool TakeOverAccess(const std::string& temp, const std::string& target);

// Puts many temporary files in place of their targets with two syncs for all of
// them instead of two for each: first every file's data reaches the disk (one
// syncfs per file system), then each is renamed, in `turn`, then the renames are
// made durable the same way. A crash at any point leaves every target either as
// it was or wholly replaced, and each replacement takes over the access of the file
// it replaces (TakeOverAccess). One text per pair: empty when that target now holds
// the new content durably, else why not (the temporary file is then deleted).
std::vector<std::string> ReplaceFilesDurably(
    const std::vector<std::pair<std::string, std::string>>& tempAndTarget, const RenameTurn& turn);

// Deletes the temporary files of ours in `folder` (and, with `withSubfolders`, in
// every folder below it, never through a link) that no live process can still be
// writing: the process named in the name is gone, and nobody holds a share lock on
// the file. Returns how many it deleted.
std::uint64_t RemoveStaleTempFiles(const std::string& folder, bool withSubfolders);

// TakeOverAccess, then RenameDurably: a temporary file put in place of its target.
[[nodiscard]] bool ReplaceFileDurably(const std::string& temp, const std::string& target);

// rename(), then a sync of the folders involved, so that the new name survives a
// crash. False when the rename failed, or when it happened but a folder could not
// be synced (the rename may then not survive a crash); *renamed tells which.
// A file system that offers no folder sync at all is trusted with its own order.
[[nodiscard]] bool RenameDurably(const std::string& from, const std::string& to,
                                 bool* renamed = nullptr);

}  // namespace qv
