// One folder or file of the Favorites tree.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "store/writer/backup_item_walk.h"
#include "store/records.h"
#include "store/writer/store_report.h"

namespace qv {

struct FileNode {
  TextField folder{};  // folder node: the folder itself; file node: the folder holding it
  TextField name{};    // file node: the bare name; folder node: empty
  std::u16string pattern;  // search pattern, "*.*" for the whole tree
  bool isFolder = false;
  bool isLink = false;     // file node: a symbolic link (to a file, or leading nowhere)
  std::uint64_t size = 0;  // file node: its size as the listing found it

  // Appends the folder's entries in listing order. Entries whose path would not fit
  // the archive's 259-unit fields are left out and recorded in `skipped`: a path cut
  // short would name another file. False for a file node or an unlistable folder.
  bool ListChildren(NodeList<FileNode>& children, std::vector<SkippedSource>& skipped) const;

  FileItem ToItem() const { return FileItem{folder, name}; }
  // What the store may take as the source's size without opening it again.
  std::optional<std::uint64_t> SizeHint() const { return isFolder ? std::nullopt : std::optional(size); }
  std::u16string FullPath() const;
  std::string Describe() const { return ShownPath(FullPath()); }

  // folder, then "\" unless the folder already ends in one, then name.
  static std::u16string Join(std::u16string_view folder, std::u16string_view name);
};

}  // namespace qv
