// The base block at the start of every hive file (the regf header): the few fields
// that decide whether we may write the hive, and its checksum.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/status.h"

namespace qv {

inline constexpr std::size_t kHiveBaseBlockSize = 4096;
inline constexpr std::size_t kHiveBinSize = 4096;
inline constexpr std::size_t kHiveChecksumOffset = 508;  // covers bytes [0, 508)

// Field offsets inside the base block, little-endian 32-bit each.
inline constexpr std::size_t kHivePrimarySequenceOffset = 4;
inline constexpr std::size_t kHiveSecondarySequenceOffset = 8;
inline constexpr std::size_t kHiveTimestampOffset = 12;  // 64-bit FILETIME
inline constexpr std::size_t kHiveMajorVersionOffset = 20;
inline constexpr std::size_t kHiveMinorVersionOffset = 24;
inline constexpr std::size_t kHiveFileTypeOffset = 28;
inline constexpr std::size_t kHiveFileFormatOffset = 32;
inline constexpr std::size_t kHiveRootCellOffset = 36;
inline constexpr std::size_t kHiveBinsDataSizeOffset = 40;
inline constexpr std::size_t kHiveClusteringFactorOffset = 44;

// From minor version 4 on, Windows reads a value over this size only as "big data"
// (a db cell with a list of segments); libhivex writes one plain cell, which such a
// hive would misread.
inline constexpr std::uint32_t kMaxPlainCellValueBytes = 16344;
inline constexpr std::uint32_t kFirstBigDataMinorVersion = 4;

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
