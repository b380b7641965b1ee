// Temporary files of ours (platform/temp_file_name.h) and putting them in place:
// made beside their target, flushed, then renamed over it with the rights of the
// file they replace.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace qv {

bool CreateTempFileIn(std::u16string_view folder, bool ownerOnly, std::u16string* path);
// Renames `temp` over `target` once it has the target's rights; the rename has
// reached the disk when this returns.
bool ReplaceFileDurably(std::u16string_view temp, std::u16string_view target);
std::vector<std::string> ReplaceFilesDurably(const std::vector<FileReplacement>& batch, const RenameTurn& turn);
std::uint64_t RemoveStaleTempFiles(std::u16string_view folder, bool withSubfolders);

}  // namespace qv
