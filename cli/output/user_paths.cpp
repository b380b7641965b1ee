#include "cli/output/user_paths.h"

#include <algorithm>

#include "platform/platform.h"
#include "platform/text/text.h"

namespace qv::cli {
namespace {

bool OnDriveZ(std::string_view path) {
  return path.size() >= 3 && (path[0] == 'Z' || path[0] == 'z') && path[1] == ':' && path[2] == '\\';
}

}  // namespace

std::string ShownReportedPath(std::string_view windowsPathUtf8) {
  if (!OnDriveZ(windowsPathUtf8)) return std::string(windowsPathUtf8);
  return qv::ShownPath(FromUtf8(windowsPathUtf8));
}

std::string WithNativePaths(std::string_view text) {
  std::string out;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t open = text.find('"', at);
    const std::size_t close = open == std::string_view::npos ? open : text.find('"', open + 1);
    if (close == std::string_view::npos) break;
    out.append(text.substr(at, open + 1 - at));
    out += ShownReportedPath(text.substr(open + 1, close - open - 1));
    out += '"';
    at = close + 1;
  }
  out.append(text.substr(std::min(at, text.size())));
  return out;
}

}  // namespace qv::cli
