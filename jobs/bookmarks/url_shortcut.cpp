#include "jobs/bookmarks/url_shortcut.h"

#include "platform/text/text.h"

namespace qv {
namespace {

// 0x80..0x9F of Windows-1252; zero where the code page defines nothing.
constexpr char16_t kHighControls[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool IsUtf8(std::string_view text) { return ToUtf8(FromUtf8(text)) == text; }

std::string AsUtf8(std::string_view content) {
  if (content.size() >= 2 && static_cast<unsigned char>(content[0]) == 0xFF &&
      static_cast<unsigned char>(content[1]) == 0xFE) {
    std::u16string wide;
    for (std::size_t i = 2; i + 1 < content.size(); i += 2) {
      wide += static_cast<char16_t>(static_cast<unsigned char>(content[i]) |
                                    static_cast<unsigned char>(content[i + 1]) << 8);
    }
    return ToUtf8(wide);
  }
  if (content.starts_with("\xEF\xBB\xBF")) content.remove_prefix(3);
  return IsUtf8(content) ? std::string(content) : Windows1252ToUtf8(content);
}

std::string_view Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

bool EqualsAsciiIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// The next line of `*rest` (CR, LF or CR LF ends it), taken off it. A shortcut of a
// megabyte of line breaks is a million lines: they are read one at a time.
std::string_view NextLine(std::string_view* rest) {
  const std::size_t end = rest->find_first_of("\r\n");
  const std::string_view line = rest->substr(0, end);
  if (end == std::string_view::npos) {
    *rest = {};
  } else {
    const bool crLf = (*rest)[end] == '\r' && end + 1 < rest->size() && (*rest)[end + 1] == '\n';
    rest->remove_prefix(end + (crLf ? 2 : 1));
  }
  return line;
}

}  // namespace

std::string Windows1252ToUtf8(std::string_view text) {
  std::u16string wide;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    wide += byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : static_cast<char16_t>(byte);
  }
  return ToUtf8(wide);
}

UrlShortcut ParseUrlShortcut(std::string_view content) {
  const std::string text = AsUtf8(content);
  UrlShortcut shortcut;
  bool inSection = false;
  bool sawSection = false;
  for (std::string_view rest = text; !rest.empty();) {
    const std::string_view line = Trimmed(NextLine(&rest));
    if (line.starts_with('[')) {
      const std::size_t close = line.find(']');
      inSection = close != std::string_view::npos && EqualsAsciiIgnoringCase(Trimmed(line.substr(1, close - 1)), "InternetShortcut");
      sawSection = sawSection || inSection;
      continue;
    }
    if (!inSection) continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos || !EqualsAsciiIgnoringCase(Trimmed(line.substr(0, equals)), "URL")) continue;
    const std::string_view url = Trimmed(line.substr(equals + 1));
    if (url.empty()) {
      shortcut.strProblem = "its URL= line is empty";
      return shortcut;
    }
    shortcut.bFound = true;
    shortcut.strUrl = std::string(url);
    return shortcut;
  }
  shortcut.strProblem = sawSection ? "its [InternetShortcut] section has no URL= line"
                                   : "it has no [InternetShortcut] section";
  return shortcut;
}

}  // namespace qv
