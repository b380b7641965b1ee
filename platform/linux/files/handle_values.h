// Handle values for files and listings: one sequence for both, never reused, so a
// stale or mixed-up handle finds nothing instead of someone else's file.
#pragma once

#include <atomic>
#include <cstdint>

namespace qv {

inline std::int64_t NextHandleValue() {
  static std::atomic<std::int64_t> next{1};
  return next.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace qv
