// Single operations on paths in the file system: what a path is, deleting,
// folder trees, what a write would reach, whether a folder takes new files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace qv {

bool DeletePath(std::u16string_view path);
bool PathExists(std::u16string_view path);
// kFileAttributeDirectory, kFileAttributeReparsePoint or kFileAttributeNormal:
// Windows' many attributes come down to the three the contract names.
std::uint32_t PathAttributes(std::u16string_view path, int* error);
// SHCreateDirectoryExW's results: 0, kErrorAlreadyExists for a folder that was
// there, kErrorFileExists where something else holds the name.
int CreateFolderTree(std::u16string_view path);
bool LookAtWriteTarget(std::u16string_view path, WriteTarget* target);
bool FolderTakesFiles(std::u16string_view folder);
bool NameFits(std::u16string_view name);

}  // namespace qv
