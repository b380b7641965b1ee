// How large a value we write, by hive format.
#pragma once

#include <cstdint>

#include "platform/status.h"

namespace qv {

// libhivex refuses to allocate a cell over 1,000,000 bytes (4 of them the cell's
// size field), which also keeps within the 1 MB Windows documents for a value of a
// standard-format (1.3) hive, the format we create. Refusing a larger value when
// it is set, rather than at commit, keeps it from failing the whole batch.
inline constexpr std::uint32_t kMaxValueBytes = 1000000 - 4;

// The largest value a hive of this minor version takes: a 1.4+ hive stores larger
// values as big data, which libhivex cannot write.
std::uint32_t MaxWritableValueBytes(std::uint32_t hiveMinorVersion);

Status CheckValueSizeFits(std::uint32_t size, std::uint32_t hiveMinorVersion);

}  // namespace qv
