// Native paths made absolute against the current folder.
#pragma once

#include <string>

namespace qv {

// Drops "." and empty names but keeps "..": through a link, "a/.." is not where
// the text suggests, so only the kernel may resolve it. No trailing slash.
std::string MakeAbsoluteNativePath(const std::string& path);

}  // namespace qv
