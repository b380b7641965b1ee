// The Netscape bookmark file that current browsers import, written as the links
// come rather than built whole: an archive can hold thousands of shortcuts of a
// megabyte each, and folders by the ten thousand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace qv {

struct BookmarkLink {
  std::string strTitle;  // UTF-8
  std::string strUrl;
};

// Where the file goes as it is made: a file being written, standard output.
class BookmarkStream {
 public:
  virtual ~BookmarkStream() = default;
  [[nodiscard]] virtual Status Write(std::string_view bytes) = 0;
};

// <!DOCTYPE NETSCAPE-Bookmark-file-1>, one tag per line as importers expect, every
// name and address HTML-escaped. A link's folders are opened once the previous
// link's are closed down to the part both share, so the links of a folder stay in
// one folder as long as the archive keeps them together, as a backup does (each
// folder's files, then each subfolder's). Only the folders open now are held.
class BookmarkFileWriter {
 public:
  explicit BookmarkFileWriter(BookmarkStream& stream) : m_stream(stream) {}
  BookmarkFileWriter(const BookmarkFileWriter&) = delete;
  BookmarkFileWriter& operator=(const BookmarkFileWriter&) = delete;

  // `path`: the folders below the top that hold the link.
  void AddLink(const std::vector<std::string>& path, const BookmarkLink& link);
  // Closes what is open and writes the rest; the first write that failed, if any.
  [[nodiscard]] Status Finish();
  // False once a write failed: what follows is dropped.
  bool Writing() const { return m_written.ok(); }
  std::uint64_t Links() const { return m_nLinks; }
  std::uint64_t Folders() const { return m_nFolders; }

 private:
  void Start();
  void Put(std::string_view text);
  void PutEscaped(std::string_view text);
  void PutIndent(std::size_t depth);
  void Drain(std::size_t keep);

  BookmarkStream& m_stream;
  std::vector<std::string> m_open;  // the folders open now, outermost first
  std::string m_strBuffer;
  Status m_written;
  bool m_bStarted = false;
  std::uint64_t m_nLinks = 0;
  std::uint64_t m_nFolders = 0;
};

// & < > " ' as entities; control characters (which no line-based importer takes
// inside a tag) as blanks.
std::string HtmlEscaped(std::string_view text);

}  // namespace qv
