// The address an Internet shortcut (.url file) points at: the URL= line of its
// [InternetShortcut] section, the way Windows reads such files (section and key
// without regard to case, blanks around them dropped, the first URL= counts).
// Windows writes these files in the ANSI code page, or UTF-8, or UTF-16 with a
// byte-order mark; all three are read.
#pragma once

#include <string>
#include <string_view>

namespace qv {

struct UrlShortcut {
  bool bFound = false;
  std::string strUrl;      // UTF-8
  std::string strProblem;  // why there is none
};

UrlShortcut ParseUrlShortcut(std::string_view content);

// Windows-1252 bytes as UTF-8; the five bytes that code page leaves undefined stay
// the control characters they are in Latin-1.
std::string Windows1252ToUtf8(std::string_view text);

}  // namespace qv
