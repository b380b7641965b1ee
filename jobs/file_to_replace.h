// Where a job that replaces a file by a rename (the backup's archive, the bookmark
// file) puts it. A link is followed and the file it leads to is replaced in its own
// folder, as editors do, so the link stays a link. A folder, a device or a pipe is
// refused: a rename would put a plain file in its place, and a reader of the pipe
// would get nothing.
#pragma once

#include <string>
#include <string_view>

#include "platform/status.h"

namespace qv {

// The folder part of a Windows-form path: "Z:\a\b.qvl" -> "Z:\a", "Z:\b.qvl" -> "Z:\";
// empty when there is none.
std::u16string FolderOf(const std::u16string& path);

// `what` names the file in the refusal ("the archive"). On success *finalPath
// (Windows form) is where the temporary file goes beside, and is renamed to.
[[nodiscard]] Status FindFileToReplace(const std::u16string& path, std::string_view what, std::u16string* finalPath);

}  // namespace qv
