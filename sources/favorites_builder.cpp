#include "sources/favorites_builder.h"

#include "platform/platform.h"
#include "platform/unique_handles.h"

namespace qv {

FileNode FavoritesBuilder::MakeRoot() {
  FileNode root;
  root.isFolder = true;
  std::u16string path;
  if (Os().SHGetSpecialFolderPathW(kCsidlFavorites, true, &path) && SetTextField(root.folder, path)) {
    root.pattern = u"*.*";
  }
  return root;
}

std::uint64_t FavoritesBuilder::SumSizes(const std::vector<FileNode>& nodes) {
  std::uint64_t total = 0;
  for (const FileNode& node : nodes) {
    if (node.isFolder) continue;
    // Sharing everything: a size query on the window's thread must never make a
    // running backup's reader find its file in use and leave it out.
    const UniqueFile file(Os().CreateFileW(node.FullPath(), kGenericRead,
                                           kFileShareRead | kFileShareWrite, kOpenExisting));
    std::uint64_t size = 0;
    if (file.Valid() && Os().GetFileSize(file.Get(), &size)) total += size;
  }
  return total;
}

bool FavoritesBuilder::IsExcluded(const FileNode& node, const std::vector<std::u16string>& paths) {
  if (node.isFolder) return false;
  const std::u16string path = node.FullPath();
  for (const std::u16string& excluded : paths) {
    // A file lies "within" another file only when both resolve to the same file.
    if (Os().IsPathWithin(path, excluded)) return true;
  }
  return false;
}

}  // namespace qv
