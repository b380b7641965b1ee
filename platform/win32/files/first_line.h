// The first line of a file or a stream, for a password that a pipe hands over.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qv {

// Platform::ReadFirstLine on a Windows path; empty: standard input.
bool ReadFirstLineOf(std::u16string_view path, std::size_t maxBytes, std::string* line);

}  // namespace qv
