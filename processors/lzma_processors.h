// The compression stage and its inverse. Block layout: docs/format.md.
#pragma once

#include "processors/data_processor.h"

namespace qv {

// Largest plain size a compressed block may decode to. Every block of an archive
// holds one piece of at most 102400 source bytes, so a block that states more is
// damage (or a decompression bomb); it is refused before anything is allocated.
inline constexpr std::uint64_t kMaxDecodedBlockSize = 102400;

class LZMACompProcessor : public DataProcessor {
 public:
  // Returns the block length (always at least 1).
  std::int32_t Process(const std::uint8_t* input, std::int32_t length) override;
};

class LZMADecompProcessor : public DataProcessor {
 public:
  // Returns the decoded length, or 0 with an empty output when the block is bad.
  std::int32_t Process(const std::uint8_t* input, std::int32_t length) override;
};

}  // namespace qv
