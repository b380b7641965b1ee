// Helpers for driving one stage over a byte vector in tests.
#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "processors/data_processor.h"

namespace qv::test {

using Bytes = std::vector<std::uint8_t>;

// Runs the stage over an exactly-sized heap copy, so that ASan sees any read past
// the end of the block.
inline Bytes RunStage(DataProcessor& stage, const Bytes& input) {
  auto copy = std::make_unique<std::uint8_t[]>(input.size());
  std::copy(input.begin(), input.end(), copy.get());
  stage.Process(copy.get(), static_cast<std::int32_t>(input.size()));
  return Bytes(stage.Output(), stage.Output() + stage.OutputSize());
}

inline Bytes RandomBytes(std::size_t n, unsigned seed = 1) {
  std::mt19937 rng(seed);
  Bytes bytes(n);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(rng());
  return bytes;
}

inline Bytes TextLikeBytes(std::size_t n) {
  static const std::string kWords[] = {"favorites ", "http://www.example.com/ ", "Internet ", "Shortcut\r\n",
                                       "[InternetShortcut]\r\nURL=", "index.html ", "settings ", "0x0001 "};
  std::mt19937 rng(7);
  Bytes bytes;
  while (bytes.size() < n) {
    const std::string& word = kWords[rng() % std::size(kWords)];
    bytes.insert(bytes.end(), word.begin(), word.end());
  }
  bytes.resize(n);
  return bytes;
}

inline Bytes BytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

}  // namespace qv::test
