#include "sources/favorites/file_node.h"

#include "platform/platform.h"
#include "platform/temp_file_name.h"
#include "platform/text/text.h"
#include "platform/unique_handles.h"

namespace qv {
namespace {

constexpr char kTooLong[] = "the path is longer than 259 characters";

}  // namespace

std::u16string FileNode::Join(std::u16string_view folder, std::u16string_view name) {
  std::u16string joined(folder);
  if (joined.empty() || joined.back() != u'\\') joined += u'\\';
  joined += name;
  return joined;
}

std::u16string FileNode::FullPath() const {
  const std::u16string folderText = TextFieldValue(folder);
  return isFolder ? folderText : Join(folderText, TextFieldValue(name));
}

bool FileNode::ListChildren(NodeList<FileNode>& children,
                            std::vector<SkippedSource>& skipped) const {
  if (!isFolder) return false;
  const std::u16string folderText = TextFieldValue(folder);
  // A root the shell could not give has no folder; "\*.*" would list a drive root.
  if (folderText.empty()) return false;

  FindData found;
  // A listing that is read to its end has nothing left to lose at close.
  const UniqueFind find(Os().FindFirstFileW(Join(folderText, pattern), &found));
  if (!find.Valid()) {
    // Even an empty folder lists "." and "..": a failure here hides entries.
    skipped.push_back({ShownPath(folderText), "the folder cannot be listed: " + Os().LastErrorText()});
    return false;
  }
  do {
    if (found.strName == u"." || found.strName == u"..") continue;
    // Our own temporary files are never favorites: a live one belongs to a job
    // that is writing it, a stale one to a job that was killed.
    if (!found.bDirectory && IsTempFileName(found.strName)) continue;
    const std::u16string path = Join(folderText, found.strName);
    FileNode child;
    child.pattern = pattern;
    child.isFolder = found.bDirectory;
    child.isLink = found.bReparsePoint;
    child.size = found.nFileSize;
    const bool fits = found.bDirectory
                          ? SetTextField(child.folder, path)
                          : path.size() <= kMaxPathUnits && SetTextField(child.folder, folderText) &&
                                SetTextField(child.name, found.strName);
    if (!fits) {
      skipped.push_back({ShownPath(path), kTooLong});
      continue;
    }
    children.push_back(std::move(child));
  } while (Os().FindNextFileW(find.Get(), &found));
  return true;
}

}  // namespace qv
