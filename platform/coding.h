// Fixed-width little-endian fields, written and read a byte at a time so that the
// host's byte order and alignment never matter. The one coder of the house: the
// archive's records, the compressed-block header and the hive's cells all use it.
#pragma once

#include <cstdint>

namespace qv {

inline void EncodeFixed16(std::uint8_t* dst, std::uint16_t value) {
  for (int i = 0; i < 2; ++i) dst[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline void EncodeFixed32(std::uint8_t* dst, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) dst[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline void EncodeFixed64(std::uint8_t* dst, std::uint64_t value) {
  for (int i = 0; i < 8; ++i) dst[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline std::uint16_t DecodeFixed16(const std::uint8_t* src) {
  return static_cast<std::uint16_t>(src[0] | (src[1] << 8));
}

inline std::uint32_t DecodeFixed32(const std::uint8_t* src) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | src[i];
  return value;
}

inline std::uint64_t DecodeFixed64(const std::uint8_t* src) {
  std::uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | src[i];
  return value;
}

}  // namespace qv
