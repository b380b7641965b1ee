#include "sources/favorites/favorites_builder.h"

#include <algorithm>

#include "platform/platform.h"

namespace qv {

FileNode FavoritesBuilder::MakeRoot() {
  FileNode root;
  root.isFolder = true;
  std::u16string path;
  // Reading makes nothing: a profile on a read-only disk may lack Favorites.
  if (Os().SHGetSpecialFolderPathW(kCsidlFavorites, false, &path) && SetTextField(root.folder, path)) {
    root.pattern = u"*.*";
  }
  return root;
}

std::uint64_t FavoritesBuilder::SumSizes(const NodeList<FileNode>& nodes) {
  std::uint64_t total = 0;
  for (const FileNode& node : nodes) total += node.isFolder ? 0 : node.size;
  return total;
}

FavoritesBuilder::Exclusion::Exclusion(const std::vector<std::u16string>& paths) : m_paths(paths) {
  if (m_paths.empty()) return;
  std::u16string favorites;
  if (!Os().SHGetSpecialFolderPathW(kCsidlFavorites, false, &favorites)) return;
  const std::u16string prefix = FileNode::Join(favorites, u"");
  for (const std::u16string& path : m_paths) {
    if (!Os().IsPathWithin(path, favorites)) continue;  // only a link can lead there
    if (path.starts_with(prefix)) {
      m_inFavorites.push_back(path);
    } else {
      m_bResolveEveryNode = true;
    }
  }
}

bool FavoritesBuilder::Exclusion::Excludes(const FileNode& node) const {
  if (node.isFolder || m_paths.empty()) return false;
  // Neither a link nor a name to compare: no path needs to be put together.
  if (!node.isLink && !m_bResolveEveryNode && m_inFavorites.empty()) return false;
  const std::u16string path = node.FullPath();
  if (node.isLink || m_bResolveEveryNode) {
    for (const std::u16string& excluded : m_paths) {
      // A file lies "within" another file only when both resolve to the same file.
      if (Os().IsPathWithin(path, excluded)) return true;
    }
    return false;
  }
  return std::find(m_inFavorites.begin(), m_inFavorites.end(), path) != m_inFavorites.end();
}

}  // namespace qv
