#include "jobs/file_to_replace.h"

#include <utility>

#include "platform/platform.h"

namespace qv {

std::u16string FolderOf(const std::u16string& path) {
  const std::size_t slash = path.find_last_of(u"\\/");
  if (slash == std::u16string::npos) return {};
  if (slash == 2 && path[1] == u':') return path.substr(0, 3);
  return path.substr(0, slash);
}

Status FindFileToReplace(const std::u16string& path, std::string_view what, std::u16string* finalPath) {
  WriteTarget target;
  if (!Os().GetWriteTarget(path, &target)) return Status::Error(Os().LastErrorText());
  switch (target.kind) {
    case WriteTargetKind::kFolder:
      return Status::Error("it is a folder");
    case WriteTargetKind::kDevice:
      return Status::Error("it is a device or a pipe, and " + std::string(what) + " is written only to a file");
    case WriteTargetKind::kNothing:
    case WriteTargetKind::kFile:
      break;
  }
  *finalPath = std::move(target.strPath);
  return Status::Ok();
}

}  // namespace qv
