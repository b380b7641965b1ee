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

// The encoder settings every block is written with.
lzma_options_lzma LzmaEncoderOptions();

// liblzma's result codes in words, for the failure text of a damaged block.
std::string LzmaErrorText(lzma_ret ret);

}  // namespace qv
