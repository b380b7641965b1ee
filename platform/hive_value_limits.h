// How large a value we write, by hive format.
#pragma once

#include <cstdint>

#include "platform/status.h"

namespace qv {

// Windows documents 1 MB as the largest value of a standard-format (1.3) hive, the
// format we create; a larger one is refused rather than written where Windows
// would not read it.
inline constexpr std::uint32_t kMaxValueBytes = 1024 * 1024;

// The largest value a hive of this minor version takes: a 1.4+ hive stores larger
// values as big data, which libhivex cannot write.
std::uint32_t MaxWritableValueBytes(std::uint32_t hiveMinorVersion);

Status CheckValueSizeFits(std::uint32_t size, std::uint32_t hiveMinorVersion);

}  // namespace qv
