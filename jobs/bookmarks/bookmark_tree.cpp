#include "jobs/bookmarks/bookmark_tree.h"

#include <utility>

namespace qv {

std::string HtmlEscaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += static_cast<unsigned char>(c) < 0x20 ? ' ' : c; break;
    }
  }
  return out;
}

BookmarkFolder& BookmarkFolder::Child(const std::string& name) {
  for (const Entry& entry : m_order) {
    if (entry.bFolder && m_folders[entry.nIndex].m_strName == name) return m_folders[entry.nIndex];
  }
  m_order.push_back({true, m_folders.size()});
  m_folders.emplace_back(name);
  return m_folders.back();
}

void BookmarkFolder::AddLink(const std::vector<std::string>& path, BookmarkLink link) {
  BookmarkFolder* folder = this;
  for (const std::string& name : path) folder = &folder->Child(name);
  folder->m_order.push_back({false, folder->m_links.size()});
  folder->m_links.push_back(std::move(link));
}

std::size_t BookmarkFolder::Links() const {
  std::size_t n = m_links.size();
  for (const BookmarkFolder& folder : m_folders) n += folder.Links();
  return n;
}

std::size_t BookmarkFolder::Folders() const {
  std::size_t n = m_folders.size();
  for (const BookmarkFolder& folder : m_folders) n += folder.Folders();
  return n;
}

void BookmarkFolder::Write(std::string& html, std::size_t depth) const {
  const std::string indent(4 * depth, ' ');
  html += indent + "<DL><p>\n";
  for (const Entry& entry : m_order) {
    if (entry.bFolder) {
      const BookmarkFolder& folder = m_folders[entry.nIndex];
      html += indent + "    <DT><H3>" + HtmlEscaped(folder.m_strName) + "</H3>\n";
      folder.Write(html, depth + 1);
    } else {
      const BookmarkLink& link = m_links[entry.nIndex];
      html += indent + "    <DT><A HREF=\"" + HtmlEscaped(link.strUrl) + "\">" + HtmlEscaped(link.strTitle) + "</A>\n";
    }
  }
  html += indent + "</DL><p>\n";
}

std::string BookmarkFolder::Html() const {
  std::string html =
      "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
      "<!-- This is an automatically generated file.\n"
      "     It will be read and overwritten.\n"
      "     DO NOT EDIT! -->\n"
      "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
      "<TITLE>Bookmarks</TITLE>\n"
      "<H1>Bookmarks</H1>\n";
  Write(html, 0);
  return html;
}

}  // namespace qv
