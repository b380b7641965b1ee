#include "platform/linux/paths/absolute_path.h"

#include <filesystem>
#include <string_view>

namespace qv {

std::string MakeAbsoluteNativePath(const std::string& path) {
  std::string joined = path;
  if (joined.empty() || joined.front() != '/') {
    std::error_code error;
    const std::filesystem::path current = std::filesystem::current_path(error);
    joined = (error ? std::string() : current.string()) + "/" + joined;
  }
  std::string result;
  std::size_t start = 0;
  while (start < joined.size()) {
    std::size_t end = joined.find('/', start);
    if (end == std::string::npos) end = joined.size();
    const std::string_view name(joined.data() + start, end - start);
    if (!name.empty() && name != ".") {
      result += '/';
      result += name;
    }
    start = end + 1;
  }
  return result.empty() ? "/" : result;
}

}  // namespace qv
