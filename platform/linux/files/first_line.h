// The first line of a file or a stream, for a password that a pipe hands over.
#pragma once

#include <cstddef>
#include <string>

namespace qv {

// Platform::ReadFirstLine on a native path; empty: standard input.
bool ReadFirstLineOf(const std::string& nativePath, std::size_t maxBytes, std::string* line);

}  // namespace qv
