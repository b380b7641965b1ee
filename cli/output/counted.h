// "1 record", "2 records": counts in summaries read as English.
#pragma once

#include <cstdint>
#include <string>

namespace qv::cli {

inline std::string Counted(std::uint64_t count, const std::string& singular) {
  return std::to_string(count) + " " + singular + (count == 1 ? "" : "s");
}

}  // namespace qv::cli
