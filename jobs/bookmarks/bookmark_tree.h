// Favorites as bookmarks: folders and links in the order the archive holds them,
// and the Netscape bookmark file that current browsers import.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

struct BookmarkLink {
  std::string strTitle;  // UTF-8
  std::string strUrl;
};

class BookmarkFolder {
 public:
  explicit BookmarkFolder(std::string name = {}) : m_strName(std::move(name)) {}

  // The folder `path` below this one (made when missing), then the link in it.
  void AddLink(const std::vector<std::string>& path, BookmarkLink link);
  std::size_t Links() const;
  std::size_t Folders() const;
  // <!DOCTYPE NETSCAPE-Bookmark-file-1>, one tag per line as importers expect,
  // every name and address HTML-escaped.
  std::string Html() const;

 private:
  struct Entry {
    bool bFolder = false;
    std::size_t nIndex = 0;
  };
  BookmarkFolder& Child(const std::string& name);
  void Write(std::string& html, std::size_t depth) const;

  std::string m_strName;
  std::vector<BookmarkFolder> m_folders;
  std::vector<BookmarkLink> m_links;
  std::vector<Entry> m_order;
};

// & < > " ' as entities; control characters (which no line-based importer takes
// inside a tag) as blanks.
std::string HtmlEscaped(std::string_view text);

}  // namespace qv
