// "1 record", "2 records": counts in what the jobs and front ends tell a user read
// as English.
#pragma once

#include <cstdint>
#include <string>

namespace qv {

inline std::string Counted(std::uint64_t count, const std::string& singular) {
  return std::to_string(count) + " " + singular + (count == 1 ? "" : "s");
}

}  // namespace qv
