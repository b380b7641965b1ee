#include "platform/linux/registry/hive/empty_hive.h"

#include <chrono>
#include <cstring>

#include "platform/coding.h"
#include "platform/linux/registry/hive/hive_header.h"
#include "platform/linux/registry/hive/hive_layout.h"

namespace qv {
namespace {

// The root key is the first cell of the first bin.
constexpr std::uint32_t kRootCell = kHiveBinHeaderSize;
constexpr char kRootName[] = "ROOT";
constexpr std::uint32_t kRootNameLength = sizeof kRootName - 1;
// The root of a hive, never deleted, its name stored in Latin-1.
constexpr std::uint16_t kRootKeyFlags =
    kKeyFlagHiveEntry | kKeyFlagNoDelete | kKeyFlagCompressedName;
// Equal sequence numbers: a clean hive, nothing waiting in a log.
constexpr std::uint32_t kEmptyHiveSequence = 1;

constexpr std::uint32_t AlignCell(std::size_t size) {
  return static_cast<std::uint32_t>((size + kCellAlignment - 1) & ~(kCellAlignment - 1));
}

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
  const std::uint32_t nkCellSize =
      AlignCell(kCellHeaderSize + kKeyNodeNameOffset + kRootNameLength);
  const std::uint32_t skCellOffset = kRootCell + nkCellSize;
  const std::uint32_t skCellSize =
      AlignCell(kCellHeaderSize + kSecurityDescriptorOffset + descriptor.size());
  const std::uint32_t freeCellOffset = skCellOffset + skCellSize;

  std::vector<std::uint8_t> hive(kHiveBaseBlockSize + kHiveBinSize, 0);

  std::uint8_t* base = hive.data();
  std::memcpy(base, kHiveSignature.data(), kHiveSignature.size());
  EncodeFixed32(base + kHivePrimarySequenceOffset, kEmptyHiveSequence);
  EncodeFixed32(base + kHiveSecondarySequenceOffset, kEmptyHiveSequence);
  EncodeFixed64(base + kHiveTimestampOffset, fileTime);
  EncodeFixed32(base + kHiveMajorVersionOffset, kHiveMajorVersion);
  EncodeFixed32(base + kHiveMinorVersionOffset, kEmptyHiveMinorVersion);
  EncodeFixed32(base + kHiveFileTypeOffset, kHivePrimaryFile);
  EncodeFixed32(base + kHiveFileFormatOffset, kHiveDirectMemoryLoad);
  EncodeFixed32(base + kHiveRootCellOffset, kRootCell);
  EncodeFixed32(base + kHiveBinsDataSizeOffset, kHiveBinSize);
  EncodeFixed32(base + kHiveClusteringFactorOffset, kHiveClusteringFactor);

  std::uint8_t* bin = base + kHiveBaseBlockSize;
  std::memcpy(bin, kHiveBinSignature.data(), kHiveBinSignature.size());
  EncodeFixed32(bin + kHiveBinStartOffset, 0);  // the first bin
  EncodeFixed32(bin + kHiveBinSizeOffset, kHiveBinSize);
  EncodeFixed64(bin + kHiveBinTimestampOffset, fileTime);

  std::uint8_t* nkCell = bin + kRootCell;
  StoreUsedCellSize(nkCell, nkCellSize);
  std::uint8_t* nk = nkCell + kCellHeaderSize;
  std::memcpy(nk, kKeyNodeSignature.data(), kKeyNodeSignature.size());
  EncodeFixed16(nk + kKeyNodeFlagsOffset, kRootKeyFlags);
  EncodeFixed64(nk + kKeyNodeTimestampOffset, fileTime);
  EncodeFixed32(nk + kKeyNodeParentOffset, kNoCell);  // a root key has no parent
  EncodeFixed32(nk + kKeyNodeSubkeyCountOffset, 0);
  EncodeFixed32(nk + kKeyNodeVolatileSubkeyCountOffset, 0);
  EncodeFixed32(nk + kKeyNodeSubkeyListOffset, kNoCell);
  EncodeFixed32(nk + kKeyNodeVolatileSubkeyListOffset, kNoCell);
  EncodeFixed32(nk + kKeyNodeValueCountOffset, 0);
  EncodeFixed32(nk + kKeyNodeValueListOffset, kNoCell);
  EncodeFixed32(nk + kKeyNodeSecurityOffset, skCellOffset);
  EncodeFixed32(nk + kKeyNodeClassNameOffset, kNoCell);
  EncodeFixed16(nk + kKeyNodeNameLengthOffset, kRootNameLength);
  EncodeFixed16(nk + kKeyNodeClassNameLengthOffset, 0);
  std::memcpy(nk + kKeyNodeNameOffset, kRootName, kRootNameLength);

  // The only security cell: its list of security cells links back to itself, and
  // only the root key refers to it so far.
  std::uint8_t* skCell = bin + skCellOffset;
  StoreUsedCellSize(skCell, skCellSize);
  std::uint8_t* sk = skCell + kCellHeaderSize;
  std::memcpy(sk, kSecuritySignature.data(), kSecuritySignature.size());
  EncodeFixed32(sk + kSecurityFlinkOffset, skCellOffset);
  EncodeFixed32(sk + kSecurityBlinkOffset, skCellOffset);
  EncodeFixed32(sk + kSecurityReferenceCountOffset, 1);
  EncodeFixed32(sk + kSecurityDescriptorSizeOffset, static_cast<std::uint32_t>(descriptor.size()));
  std::memcpy(sk + kSecurityDescriptorOffset, descriptor.data(), descriptor.size());

  // A free cell stores its size positive and covers the rest of the bin.
  EncodeFixed32(bin + freeCellOffset, static_cast<std::uint32_t>(kHiveBinSize) - freeCellOffset);

  EncodeFixed32(base + kHiveChecksumOffset, HiveHeaderChecksum(base));
  return hive;
}

}  // namespace qv
