// The compression stage and its inverse. Block layout: docs/format.md.
#pragma once

#include "processors/data_processor.h"

namespace qv {

// Largest uncompressed size a compressed block may state. Blocks are written from
// pieces of at most 102400 bytes, so anything near this bound is damage; it is
// refused before anything is allocated.
inline constexpr std::uint64_t kMaxDecodedBlockSize = 16u * 1024 * 1024;

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
