// Byte layout of a compressed block (docs/format.md, "Compressed block"). Shared by
// the compression stage, its inverse and their tests.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qv {

// Byte 0: which form follows. Readers take any non-zero value as the LZMA form.
inline constexpr std::uint8_t kStoredForm = 0;
inline constexpr std::uint8_t kLzmaForm = 1;

// LZMA form, offsets from the start of the block.
inline constexpr std::size_t kFilterOffset = 1;
inline constexpr std::size_t kPropertiesOffset = 2;  // start of the .lzma ("LZMA-alone") header
inline constexpr std::size_t kDictSizeOffset = 3;
inline constexpr std::size_t kPlainSizeOffset = 7;
inline constexpr std::size_t kLzmaDataOffset = 15;
// Filter, properties, dictionary size and plain size: the LZMA form's fixed part.
inline constexpr std::size_t kLzmaFormHeaderSize = kLzmaDataOffset - kFilterOffset;

inline constexpr std::uint8_t kNoFilter = 0;
inline constexpr std::uint8_t kX86Filter = 1;  // read, never written

// The one setting we write: (pb * 5 + lp) * 9 + lc with lc 3, lp 0, pb 2.
inline constexpr std::uint8_t kLzmaProperties = 0x5D;
inline constexpr std::uint32_t kLzmaDictSize = 2097152;
inline constexpr std::uint32_t kLzmaNiceLength = 64;
// Property bytes from here on cannot be split into lc, lp and pb.
inline constexpr std::uint8_t kLzmaPropertiesLimit = 225;

}  // namespace qv
