// liblzma settings and failure texts shared by the compression stage and its inverse.
#pragma once

#include <lzma.h>

#include <cstdint>
#include <string>

namespace qv {

// LZMA1 options for a properties byte and dictionary size, as the .lzma header
// states them. False when the byte does not split into lc, lp and pb that liblzma
// can decode (lc + lp must not exceed 4).
[[nodiscard]] bool LzmaOptionsFromHeader(std::uint8_t properties, std::uint32_t dictSize,
                                         lzma_options_lzma* options);

// The encoder settings every block is written with. The header of every block
// states the 2 MiB dictionary, whatever the encoder was given.
lzma_options_lzma LzmaEncoderOptions();

// The dictionary the encoder gets for a block of n bytes: the smallest power of
// two that holds the block (4 KiB at least), up to the stated 2 MiB. A match can
// never reach further back than the block's own start, and the bytes come out as
// those of a 2 MiB encoder (tests compare them over varied data); but setting up a
// 2 MiB match finder costs a small favorite ten times its encoding.
std::uint32_t EncoderDictionaryFor(std::size_t n);

// liblzma's result codes in words, for the failure text of a damaged block.
std::string LzmaErrorText(lzma_ret ret);

}  // namespace qv
