// The bytes of a registry hive file (regf) that our own code reads or writes: the
// base block, the empty hive, and the subkey lists we put in order after libhivex
// commits. See docs/hive.md for more detail.
//
// Everything is little-endian and goes through platform/coding.h one field at a
// time. An offset named k<Structure><Field>Offset counts from the start of that
// structure: the file for the base block, the bin for a bin header, and the cell's
// data (just past its size field) for a cell.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qv {

// ---- Base block: the first 4096 bytes of the file ---------------------------------

inline constexpr std::size_t kHiveBaseBlockSize = 4096;
inline constexpr std::string_view kHiveSignature = "regf";

inline constexpr std::size_t kHivePrimarySequenceOffset = 4;    // uint32
inline constexpr std::size_t kHiveSecondarySequenceOffset = 8;  // uint32
inline constexpr std::size_t kHiveTimestampOffset = 12;         // uint64 FILETIME
inline constexpr std::size_t kHiveMajorVersionOffset = 20;      // uint32
inline constexpr std::size_t kHiveMinorVersionOffset = 24;      // uint32
inline constexpr std::size_t kHiveFileTypeOffset = 28;          // uint32
inline constexpr std::size_t kHiveFileFormatOffset = 32;        // uint32
inline constexpr std::size_t kHiveRootCellOffset = 36;          // uint32 cell offset
inline constexpr std::size_t kHiveBinsDataSizeOffset = 40;      // uint32
inline constexpr std::size_t kHiveClusteringFactorOffset = 44;  // uint32
// The checksum covers the 127 dwords before it.
inline constexpr std::size_t kHiveChecksumOffset = 508;         // uint32

inline constexpr std::uint32_t kHiveMajorVersion = 1;
inline constexpr std::uint32_t kHivePrimaryFile = 0;       // file type; the .LOG files differ
inline constexpr std::uint32_t kHiveDirectMemoryLoad = 1;  // file format
inline constexpr std::uint32_t kHiveClusteringFactor = 1;

// The minor versions whose hives we write into. The base block, cells, keys and
// lists we touch are laid out alike in all of them.
inline constexpr std::uint32_t kOldestWritableMinorVersion = 3;
inline constexpr std::uint32_t kNewestWritableMinorVersion = 6;
// Format 1.3: it has no big-data cells, so the plain value cells libhivex writes
// are what Windows expects to read from it.
inline constexpr std::uint32_t kEmptyHiveMinorVersion = 3;

// Cell offsets have 31 bits, and the base block keeps the length in 32: a bigger
// file would be a damaged hive, however well libhivex wrote it.
inline constexpr std::uint64_t kMaxHiveFileBytes = 2ull * 1024 * 1024 * 1024;

static_assert(kOldestWritableMinorVersion <= kEmptyHiveMinorVersion &&
              kEmptyHiveMinorVersion <= kNewestWritableMinorVersion);

// ---- Hive bins: the rest of the file, each a multiple of 4096 bytes ---------------

// The smallest bin and the unit of every bin's size; the empty hive has one bin of
// exactly this size.
inline constexpr std::size_t kHiveBinSize = 4096;
inline constexpr std::size_t kHiveBinHeaderSize = 32;
inline constexpr std::string_view kHiveBinSignature = "hbin";

inline constexpr std::size_t kHiveBinStartOffset = 4;       // uint32: where this bin starts,
                                                            // counted from the first bin
inline constexpr std::size_t kHiveBinSizeOffset = 8;        // uint32
inline constexpr std::size_t kHiveBinTimestampOffset = 20;  // uint64 FILETIME

static_assert(kHiveBinTimestampOffset + 8 <= kHiveBinHeaderSize);

// ---- Cell -------------------------------------------------------------------------

// A cell offset counts from the first bin, which starts right after the base block:
// its file offset is kHiveBaseBlockSize + the cell offset.
// The size field is an int32, negative while the cell is allocated, and counts
// itself.
inline constexpr std::size_t kCellHeaderSize = 4;
inline constexpr std::size_t kCellAlignment = 8;
// A cell offset field that refers to no cell.
inline constexpr std::uint32_t kNoCell = 0xFFFFFFFFu;

static_assert((kCellAlignment & (kCellAlignment - 1)) == 0);
static_assert(kHiveBinSize % kCellAlignment == 0 && kHiveBinHeaderSize % kCellAlignment == 0,
              "a bin holds whole cells, the first one right after its header");
static_assert(kMaxHiveFileBytes - kHiveBaseBlockSize <= 0x80000000ull,
              "every cell offset of a hive we write fits in 31 bits");

// ---- Key node (nk) ----------------------------------------------------------------

inline constexpr std::string_view kKeyNodeSignature = "nk";

inline constexpr std::size_t kKeyNodeFlagsOffset = 2;                 // uint16, kKeyFlag...
inline constexpr std::size_t kKeyNodeTimestampOffset = 4;             // uint64 FILETIME
inline constexpr std::size_t kKeyNodeParentOffset = 16;               // uint32 cell offset
inline constexpr std::size_t kKeyNodeSubkeyCountOffset = 20;          // uint32
inline constexpr std::size_t kKeyNodeVolatileSubkeyCountOffset = 24;  // uint32
inline constexpr std::size_t kKeyNodeSubkeyListOffset = 28;           // uint32 cell offset
inline constexpr std::size_t kKeyNodeVolatileSubkeyListOffset = 32;   // uint32 cell offset
inline constexpr std::size_t kKeyNodeValueCountOffset = 36;           // uint32
inline constexpr std::size_t kKeyNodeValueListOffset = 40;            // uint32 cell offset
inline constexpr std::size_t kKeyNodeSecurityOffset = 44;             // uint32 cell offset
inline constexpr std::size_t kKeyNodeClassNameOffset = 48;            // uint32 cell offset
inline constexpr std::size_t kKeyNodeNameLengthOffset = 72;           // uint16, in bytes
inline constexpr std::size_t kKeyNodeClassNameLengthOffset = 74;      // uint16, in bytes
// The name follows the fixed fields: this is also their size.
inline constexpr std::size_t kKeyNodeNameOffset = 76;

static_assert(kKeyNodeClassNameLengthOffset + 2 == kKeyNodeNameOffset,
              "the name starts right after the last fixed field");

// ---- Subkey lists (lf, lh, li, ri) ------------------------------------------------

// Leaves list key nodes: lf with a name hint, lh with a name hash, li with neither.
// An index root (ri) lists leaves.
inline constexpr std::string_view kFastLeafSignature = "lf";
inline constexpr std::string_view kHashLeafSignature = "lh";
inline constexpr std::string_view kIndexLeafSignature = "li";
inline constexpr std::string_view kIndexRootSignature = "ri";

inline constexpr std::size_t kSubkeyListCountOffset = 2;    // uint16
inline constexpr std::size_t kSubkeyListEntriesOffset = 4;
// lf, lh: uint32 key node cell offset, then uint32 hint or hash.
inline constexpr std::size_t kHashedListEntrySize = 8;
inline constexpr std::size_t kListEntryHashOffset = 4;
// li, ri: uint32 cell offset alone.
inline constexpr std::size_t kPlainListEntrySize = 4;

// lh: hash = hash * 37 + unit over the upper-cased UTF-16 units of the name.
inline constexpr std::uint32_t kSubkeyNameHashMultiplier = 37;
// lf: the first characters of the name, one byte each.
inline constexpr std::size_t kSubkeyNameHintLength = 4;

static_assert(kListEntryHashOffset == kPlainListEntrySize &&
              kListEntryHashOffset + 4 == kHashedListEntrySize,
              "a hashed entry is a plain entry followed by its hash");
static_assert(kSubkeyNameHintLength == kHashedListEntrySize - kListEntryHashOffset,
              "the hint fills the hash field");

// ---- Value lists and value nodes (vk) ---------------------------------------------

// libhivex's alone: we only ever write a key with none (kNoCell, count 0).

// ---- Security (sk) ----------------------------------------------------------------

inline constexpr std::string_view kSecuritySignature = "sk";

inline constexpr std::size_t kSecurityFlinkOffset = 4;           // uint32 cell offset
inline constexpr std::size_t kSecurityBlinkOffset = 8;           // uint32 cell offset
inline constexpr std::size_t kSecurityReferenceCountOffset = 12;  // uint32
inline constexpr std::size_t kSecurityDescriptorSizeOffset = 16;  // uint32
inline constexpr std::size_t kSecurityDescriptorOffset = 20;      // self-relative descriptor

static_assert(kSecurityDescriptorSizeOffset + 4 == kSecurityDescriptorOffset);

// ---- Big data (db) ----------------------------------------------------------------

// From minor version 4 on, Windows reads a value over this size only as "big data"
// (a db cell with a list of segments); libhivex writes one plain cell, which such a
// hive would misread.
inline constexpr std::uint32_t kMaxPlainCellValueBytes = 16344;
inline constexpr std::uint32_t kFirstBigDataMinorVersion = 4;

static_assert(kEmptyHiveMinorVersion < kFirstBigDataMinorVersion,
              "the hive we create must hold large values as the plain cells libhivex writes");

// ---- Key node flags ---------------------------------------------------------------

inline constexpr std::uint16_t kKeyFlagHiveEntry = 0x0004;      // the root of a hive
inline constexpr std::uint16_t kKeyFlagNoDelete = 0x0008;       // never deleted
inline constexpr std::uint16_t kKeyFlagCompressedName = 0x0020;  // name in Latin-1, a byte each

}  // namespace qv
