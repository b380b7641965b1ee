#include "jobs/bookmarks/bookmark_file_writer.h"

namespace qv {
namespace {

// Bytes gathered before they go to the stream: few writes, little held.
constexpr std::size_t kDrainAt = 64 * 1024;

constexpr std::string_view kHead =
    "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
    "<!-- This is an automatically generated file.\n"
    "     It will be read and overwritten.\n"
    "     DO NOT EDIT! -->\n"
    "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
    "<TITLE>Bookmarks</TITLE>\n"
    "<H1>Bookmarks</H1>\n"
    "<DL><p>\n";

void AppendEscaped(std::string& out, char c) {
  switch (c) {
    case '&': out += "&amp;"; break;
    case '<': out += "&lt;"; break;
    case '>': out += "&gt;"; break;
    case '"': out += "&quot;"; break;
    case '\'': out += "&#39;"; break;
    default: out += static_cast<unsigned char>(c) < 0x20 ? ' ' : c; break;
  }
}

}  // namespace

std::string HtmlEscaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) AppendEscaped(out, c);
  return out;
}

void BookmarkFileWriter::Drain(std::size_t keep) {
  if (m_strBuffer.size() <= keep) return;
  if (m_written.ok()) m_written = m_stream.Write(m_strBuffer);
  m_strBuffer.clear();
}

void BookmarkFileWriter::Put(std::string_view text) {
  if (!m_written.ok()) return;
  m_strBuffer += text;
  Drain(kDrainAt);
}

// An address of megabytes never sits in memory escaped whole.
void BookmarkFileWriter::PutEscaped(std::string_view text) {
  if (!m_written.ok()) return;
  for (const char c : text) {
    AppendEscaped(m_strBuffer, c);
    if (m_strBuffer.size() >= kDrainAt) Drain(0);
  }
}

void BookmarkFileWriter::PutIndent(std::size_t depth) {
  if (!m_written.ok()) return;
  m_strBuffer.append(4 * depth, ' ');
}

void BookmarkFileWriter::Start() {
  if (m_bStarted) return;
  m_bStarted = true;
  Put(kHead);
}

void BookmarkFileWriter::AddLink(const std::vector<std::string>& path, const BookmarkLink& link) {
  Start();
  std::size_t shared = 0;
  while (shared < m_open.size() && shared < path.size() && m_open[shared] == path[shared]) ++shared;
  while (m_open.size() > shared) {
    PutIndent(m_open.size());
    Put("</DL><p>\n");
    m_open.pop_back();
  }
  for (std::size_t i = shared; i < path.size(); ++i) {
    PutIndent(m_open.size() + 1);
    Put("<DT><H3>");
    PutEscaped(path[i]);
    Put("</H3>\n");
    m_open.push_back(path[i]);
    PutIndent(m_open.size());
    Put("<DL><p>\n");
    ++m_nFolders;
  }
  PutIndent(m_open.size() + 1);
  Put("<DT><A HREF=\"");
  PutEscaped(link.strUrl);
  Put("\">");
  PutEscaped(link.strTitle);
  Put("</A>\n");
  ++m_nLinks;
}

Status BookmarkFileWriter::Finish() {
  Start();
  while (!m_open.empty()) {
    PutIndent(m_open.size());
    Put("</DL><p>\n");
    m_open.pop_back();
  }
  Put("</DL><p>\n");
  Drain(0);
  return m_written;
}

}  // namespace qv
