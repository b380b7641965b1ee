#include "platform/linux/registry/hive/empty_hive.h"

#include <chrono>
#include <cstring>

#include "platform/coding.h"
#include "platform/linux/registry/hive/hive_header.h"

namespace qv {
namespace {

// Cell offsets are relative to the start of the hive bins (file offset 4096).
constexpr std::uint32_t kBinHeaderSize = 32;
constexpr std::uint32_t kRootCellOffset = kBinHeaderSize;
constexpr char kRootName[] = "ROOT";
constexpr std::uint32_t kRootNameLength = sizeof kRootName - 1;
constexpr std::uint32_t kNkFixedSize = 76;  // key node fields before the name
constexpr std::uint32_t kNoCell = 0xFFFFFFFFu;
// KEY_HIVE_ENTRY (0x04) | KEY_NO_DELETE (0x08) | KEY_COMP_NAME (0x20): the root of a
// hive, never deleted, its name stored in Latin-1.
constexpr std::uint16_t kRootKeyFlags = 0x2C;

constexpr std::uint32_t AlignCell(std::uint32_t size) { return (size + 7) & ~7u; }

// The security descriptor every key of a new hive shares (self-relative form):
// owner BUILTIN\Administrators, group SYSTEM, and a DACL whose one ACE grants
// KEY_ALL_ACCESS to Everyone, inherited by subkeys. A hive made here lives in a
// private profile folder whose file permissions guard it; a stricter ACL would
// need the SID of a Windows user we do not know.
const std::vector<std::uint8_t>& SecurityDescriptor() {
  static const std::vector<std::uint8_t> descriptor = [] {
    const std::uint8_t administrators[] = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 0x02, 0, 0};
    const std::uint8_t system[] = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
    const std::uint8_t everyone[] = {1, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0};
    constexpr std::uint32_t kHeaderSize = 20;
    constexpr std::uint32_t kOwnerOffset = kHeaderSize;
    constexpr std::uint32_t kGroupOffset = kOwnerOffset + sizeof administrators;
    constexpr std::uint32_t kDaclOffset = kGroupOffset + sizeof system;
    constexpr std::uint16_t kAceSize = 8 + sizeof everyone;
    constexpr std::uint16_t kAclSize = 8 + kAceSize;

    std::vector<std::uint8_t> bytes(kDaclOffset + kAclSize, 0);
    bytes[0] = 1;                                  // revision
    bytes[2] = 0x04;                               // SE_DACL_PRESENT
    bytes[3] = 0x80;                               // SE_SELF_RELATIVE
    EncodeFixed32(&bytes[4], kOwnerOffset);
    EncodeFixed32(&bytes[8], kGroupOffset);
    EncodeFixed32(&bytes[12], 0);                  // no SACL
    EncodeFixed32(&bytes[16], kDaclOffset);
    std::memcpy(&bytes[kOwnerOffset], administrators, sizeof administrators);
    std::memcpy(&bytes[kGroupOffset], system, sizeof system);

    std::uint8_t* acl = &bytes[kDaclOffset];
    acl[0] = 2;                                    // ACL_REVISION
    EncodeFixed16(acl + 2, kAclSize);
    acl[4] = 1;                                    // one ACE
    std::uint8_t* ace = acl + 8;
    ace[0] = 0;                                    // ACCESS_ALLOWED_ACE_TYPE
    ace[1] = 0x02;                                 // CONTAINER_INHERIT_ACE
    EncodeFixed16(ace + 2, kAceSize);
    EncodeFixed32(ace + 4, 0x000F003Fu);               // KEY_ALL_ACCESS
    std::memcpy(ace + 8, everyone, sizeof everyone);
    return bytes;
  }();
  return descriptor;
}

// A used cell stores its size negated.
void StoreUsedCellSize(std::uint8_t* cell, std::uint32_t size) {
  EncodeFixed32(cell, static_cast<std::uint32_t>(-static_cast<std::int32_t>(size)));
}

}  // namespace

std::uint64_t CurrentFileTime() {
  constexpr std::uint64_t kUnixEpochAsFileTime = 116444736000000000ull;
  const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
  const auto ticks = std::chrono::duration_cast<std::chrono::nanoseconds>(sinceEpoch).count() / 100;
  return kUnixEpochAsFileTime + static_cast<std::uint64_t>(ticks);
}

std::vector<std::uint8_t> MakeEmptyHive(std::uint64_t fileTime) {
  const std::vector<std::uint8_t>& descriptor = SecurityDescriptor();
  const std::uint32_t nkCellSize = AlignCell(4 + kNkFixedSize + kRootNameLength);
  const std::uint32_t skCellOffset = kRootCellOffset + nkCellSize;
  const std::uint32_t skCellSize =
      AlignCell(4 + 20 + static_cast<std::uint32_t>(descriptor.size()));
  const std::uint32_t freeCellOffset = skCellOffset + skCellSize;
  static_assert(kHiveBinSize % 8 == 0);

  std::vector<std::uint8_t> hive(kHiveBaseBlockSize + kHiveBinSize, 0);

  std::uint8_t* base = hive.data();
  std::memcpy(base, "regf", 4);
  EncodeFixed32(base + kHivePrimarySequenceOffset, 1);
  EncodeFixed32(base + kHiveSecondarySequenceOffset, 1);
  EncodeFixed64(base + kHiveTimestampOffset, fileTime);
  EncodeFixed32(base + kHiveMajorVersionOffset, 1);
  EncodeFixed32(base + kHiveMinorVersionOffset, kEmptyHiveMinorVersion);
  EncodeFixed32(base + kHiveFileTypeOffset, 0);      // primary file
  EncodeFixed32(base + kHiveFileFormatOffset, 1);    // direct memory load
  EncodeFixed32(base + kHiveRootCellOffset, kRootCellOffset);
  EncodeFixed32(base + kHiveBinsDataSizeOffset, kHiveBinSize);
  EncodeFixed32(base + kHiveClusteringFactorOffset, 1);

  std::uint8_t* bin = base + kHiveBaseBlockSize;
  std::memcpy(bin, "hbin", 4);
  EncodeFixed32(bin + 4, 0);                         // offset of this bin
  EncodeFixed32(bin + 8, kHiveBinSize);
  EncodeFixed64(bin + 20, fileTime);

  std::uint8_t* nkCell = bin + kRootCellOffset;
  StoreUsedCellSize(nkCell, nkCellSize);
  std::uint8_t* nk = nkCell + 4;
  std::memcpy(nk, "nk", 2);
  EncodeFixed16(nk + 2, kRootKeyFlags);
  EncodeFixed64(nk + 4, fileTime);
  EncodeFixed32(nk + 16, kNoCell);                   // a root key has no parent
  EncodeFixed32(nk + 20, 0);                         // subkeys
  EncodeFixed32(nk + 24, 0);                         // volatile subkeys
  EncodeFixed32(nk + 28, kNoCell);                   // subkey list
  EncodeFixed32(nk + 32, kNoCell);                   // volatile subkey list
  EncodeFixed32(nk + 36, 0);                         // values
  EncodeFixed32(nk + 40, kNoCell);                   // value list
  EncodeFixed32(nk + 44, skCellOffset);
  EncodeFixed32(nk + 48, kNoCell);                   // class name
  EncodeFixed16(nk + 72, kRootNameLength);
  EncodeFixed16(nk + 74, 0);                         // class name length
  std::memcpy(nk + kNkFixedSize, kRootName, kRootNameLength);

  // The only security cell: its list of security cells links back to itself, and
  // only the root key refers to it so far.
  std::uint8_t* skCell = bin + skCellOffset;
  StoreUsedCellSize(skCell, skCellSize);
  std::uint8_t* sk = skCell + 4;
  std::memcpy(sk, "sk", 2);
  EncodeFixed32(sk + 4, skCellOffset);               // flink
  EncodeFixed32(sk + 8, skCellOffset);               // blink
  EncodeFixed32(sk + 12, 1);                         // reference count
  EncodeFixed32(sk + 16, static_cast<std::uint32_t>(descriptor.size()));
  std::memcpy(sk + 20, descriptor.data(), descriptor.size());

  // A free cell stores its size positive and covers the rest of the bin.
  EncodeFixed32(bin + freeCellOffset, static_cast<std::uint32_t>(kHiveBinSize) - freeCellOffset);

  EncodeFixed32(base + kHiveChecksumOffset, HiveHeaderChecksum(base));
  return hive;
}

}  // namespace qv
