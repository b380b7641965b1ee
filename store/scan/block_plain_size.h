// How many plain bytes one stored block holds, read from its own fields without
// decoding its data: the LZMA form states its size, the encrypted block its plain
// length (docs/format.md). Listing an archive needs nothing more.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace qv {

// nullopt when the block's fields do not fit together, or when the block is both
// compressed and protected and no password is given: its size field is encrypted.
std::optional<std::uint64_t> StatedPlainSize(std::span<const std::uint8_t> payload, bool compressed,
                                             bool isProtected, const std::u16string* password);

}  // namespace qv
