// Operations on names rather than open files: delete, exists, temporary files,
// durable renames and folder trees. Paths are native.
#pragma once

#include <string>

namespace qv {

[[nodiscard]] bool DeleteNativeFile(const std::string& path);
// Follows links: a dangling link does not exist.
bool NativePathExists(const std::string& path);
// Creates a new empty file ".quorvel-XXXXXX.tmp" in `folder`, readable by its owner
// only: it may become a hive or an archive with private data. *path is its path.
[[nodiscard]] bool CreateTempFileIn(const std::string& folder, std::string* path);
// rename(), then a sync of the folders involved so that the new name survives a crash.
[[nodiscard]] bool RenameDurably(const std::string& from, const std::string& to);
// mkdir -p. Returns 0, kErrorAlreadyExists when the folder was there already, or
// another Windows error code (80, "file exists", when a file holds the name).
int CreateFolderTree(const std::string& path);

}  // namespace qv
