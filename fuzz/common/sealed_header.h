// The strongly protected header the fuzz targets put before their input: a fixed
// salt and the lowest cost a reader takes, so that the seeds' sealed records open
// under one key and every run costs one cheap key derivation.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "store/records.h"

namespace qv::fuzz {

inline constexpr char16_t kSealedFuzzPassword[] = u"fuzz password";
inline constexpr ScryptCost kSealedFuzzCost{10, 1, 1};

inline std::string SealedFuzzHeader() {
  std::array<std::uint8_t, kSealSaltSize> salt{};
  salt.fill(0x51);
  ArchiveHeader header;
  SealKey key;
  if (!MakeSealedArchiveHeader(kSealedFuzzPassword, kSealedFuzzCost, &header, &key, salt)) return {};
  const ArchiveHeaderBytes bytes = EncodeArchiveHeader(header);
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

}  // namespace qv::fuzz
