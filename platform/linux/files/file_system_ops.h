// Operations on names rather than open files: delete, exists and folder trees.
// Paths are native. Temporary files and renames: temp_files.h.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace qv {

[[nodiscard]] bool DeleteNativeFile(const std::string& path);
// Follows links: a dangling link does not exist.
bool NativePathExists(const std::string& path);
// GetFileAttributesW on lstat: directory, link (reparse point) or plain file.
std::uint32_t NativeFileAttributes(const std::string& path, int* error);
// mkdir -p. Returns 0, kErrorAlreadyExists when the folder was there already, or
// another Windows error code (80, "file exists", when a file holds the name).
int CreateFolderTree(const std::string& path);
// Whether files can be made, renamed and deleted in `path`, or in the folder that
// CreateFolderTree would make there: the nearest existing entry on the way must be
// a folder (links followed) that this process may write and search. Sets the
// failure text ("it does not take new files: Permission denied").
bool NativeFolderTakesFiles(const std::string& path);
// Whether one entry of a folder may take this name (in UTF-8): a Linux file system
// holds at most 255 bytes in one. Sets the failure text.
bool NativeNameFits(const std::string& name);

// Platform::GetWriteTarget on a native absolute path; strPath is native too.
struct NativeWriteTarget {
  WriteTargetKind kind = WriteTargetKind::kNothing;
  bool bStandardOutput = false;
  std::string strPath;
};
[[nodiscard]] bool LookAtWriteTarget(const std::string& path, NativeWriteTarget* target);

}  // namespace qv
