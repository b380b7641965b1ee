// How the item list shows an item's size.
#pragma once

#include <cstdint>
#include <string>

namespace qv {

// Whole kilobytes, truncated: 1023 bytes are "0 KB", 1024 and 2047 are "1 KB".
// The quotient is shown whole; it is not narrowed to 32 bits, which would turn
// sizes of 2 TiB and more into nonsense.
std::string ItemSizeText(std::uint64_t bytes);

}  // namespace qv
