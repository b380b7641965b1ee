// The base block at the start of every hive file (the regf header): the few fields
// that decide whether we may write the hive, and its checksum.
#pragma once

#include <cstdint>
#include <string>

#include "platform/linux/registry/hive/hive_layout.h"
#include "platform/status.h"

namespace qv {

struct HiveHeader {
  std::uint32_t primarySequence = 0;
  std::uint32_t secondarySequence = 0;
  std::uint32_t majorVersion = 0;
  std::uint32_t minorVersion = 0;
  std::uint32_t fileType = 0;
  std::uint32_t fileFormat = 0;
};

// The XOR of the first 127 dwords, with 0 and ~0 reserved as Windows reserves them.
std::uint32_t HiveHeaderChecksum(const std::uint8_t* baseBlock);

// Reads and checks the signature of the base block of `path`.
Status ReadHiveHeader(const std::string& path, HiveHeader* header);

// Whether a hive with this header may be written: not dirty (sequence numbers
// equal), a primary file of a format version we write.
Status CheckHeaderWritable(const std::string& path, const HiveHeader& header);

}  // namespace qv
