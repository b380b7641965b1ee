#include "platform/linux/registry/commit/hive_subkey_lists.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>

#include "platform/coding.h"
#include "platform/linux/registry/hive/hive_layout.h"
#include "platform/linux/registry/registry_key_path.h"

namespace qv {
namespace {

struct Leaf {
  std::size_t data;  // file offset of the list's data ("lf", "lh" or "li")
  std::uint16_t count;
  char kind;  // 'f', 'h' or 'i'
};

// An li entry is the key's cell alone; lf and lh entries add its hint or hash.
std::size_t EntrySize(char kind) {
  return kind == 'i' ? kPlainListEntrySize : kHashedListEntrySize;
}

// The file offset of entry `i` of `leaf`.
std::size_t EntryAt(const Leaf& leaf, std::size_t i) {
  return leaf.data + kSubkeyListEntriesOffset + i * EntrySize(leaf.kind);
}

struct Entry {
  std::uint32_t keyCell;  // relative to the start of the bins, as lists store it
  std::u16string name;
  std::u16string folded;
};

class HiveImage {
 public:
  explicit HiveImage(std::vector<std::uint8_t> bytes) : m_bytes(std::move(bytes)) {}

  std::optional<std::uint16_t> U16(std::size_t at) const {
    if (at + 2 > m_bytes.size()) return std::nullopt;
    return DecodeFixed16(&m_bytes[at]);
  }
  std::optional<std::uint32_t> U32(std::size_t at) const {
    if (at + 4 > m_bytes.size()) return std::nullopt;
    return DecodeFixed32(&m_bytes[at]);
  }
  void PutU32(std::size_t at, std::uint32_t value) {
    EncodeFixed32(&m_bytes[at], value);
  }
  // The data of the allocated cell at `relative` and how many bytes it holds.
  std::optional<std::pair<std::size_t, std::size_t>> Cell(std::uint32_t relative) const {
    if (relative == kNoCell) return std::nullopt;
    const std::size_t at = kHiveBaseBlockSize + relative;
    const auto size = U32(at);
    if (!size) return std::nullopt;
    const auto signedSize = static_cast<std::int32_t>(*size);
    if (signedSize >= 0) return std::nullopt;  // a free cell is no list and no key
    const std::size_t length = static_cast<std::size_t>(-static_cast<std::int64_t>(signedSize));
    if (length < kCellHeaderSize || at + length > m_bytes.size()) return std::nullopt;
    return std::make_pair(at + kCellHeaderSize, length - kCellHeaderSize);
  }
  bool Signature(std::size_t at, std::string_view signature) const {
    return at + signature.size() <= m_bytes.size() &&
           std::equal(signature.begin(), signature.end(), m_bytes.begin() + at);
  }
  std::uint8_t Byte(std::size_t at) const { return m_bytes[at]; }
  const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }

 private:
  std::vector<std::uint8_t> m_bytes;
};

Status Damaged(const std::string& what) { return Status::Error("subkey list " + what); }

std::optional<std::u16string> KeyName(const HiveImage& image, std::uint32_t keyCell) {
  const auto cell = image.Cell(keyCell);
  if (!cell || cell->second < kKeyNodeNameOffset ||
      !image.Signature(cell->first, kKeyNodeSignature)) {
    return std::nullopt;
  }
  const std::uint16_t flags = *image.U16(cell->first + kKeyNodeFlagsOffset);
  const std::uint16_t length = *image.U16(cell->first + kKeyNodeNameLengthOffset);
  if (kKeyNodeNameOffset + length > cell->second) return std::nullopt;
  const std::size_t at = cell->first + kKeyNodeNameOffset;
  std::u16string name;
  if (flags & kKeyFlagCompressedName) {
    for (std::size_t i = 0; i < length; ++i) name.push_back(image.Byte(at + i));
  } else {
    for (std::size_t i = 0; i + 1 < length; i += 2) name.push_back(*image.U16(at + i));
  }
  return name;
}

std::optional<Leaf> LeafAt(const HiveImage& image, std::uint32_t relative) {
  const auto cell = image.Cell(relative);
  if (!cell || cell->second < kSubkeyListEntriesOffset) return std::nullopt;
  const std::size_t data = cell->first;
  char kind = 0;
  if (image.Signature(data, kFastLeafSignature)) kind = 'f';
  if (image.Signature(data, kHashLeafSignature)) kind = 'h';
  if (image.Signature(data, kIndexLeafSignature)) kind = 'i';
  if (kind == 0) return std::nullopt;
  const std::uint16_t count = *image.U16(data + kSubkeyListCountOffset);
  if (kSubkeyListEntriesOffset + count * EntrySize(kind) > cell->second) return std::nullopt;
  return Leaf{data, count, kind};
}

// The leaves of a key's subkey list: the list itself, or those an "ri" points to.
std::optional<std::vector<Leaf>> LeavesOf(const HiveImage& image, std::uint32_t listCell) {
  const auto cell = image.Cell(listCell);
  if (!cell || cell->second < kSubkeyListEntriesOffset) return std::nullopt;
  if (!image.Signature(cell->first, kIndexRootSignature)) {
    const auto leaf = LeafAt(image, listCell);
    if (!leaf) return std::nullopt;
    return std::vector<Leaf>{*leaf};
  }
  const std::uint16_t count = *image.U16(cell->first + kSubkeyListCountOffset);
  if (kSubkeyListEntriesOffset + count * kPlainListEntrySize > cell->second) return std::nullopt;
  std::vector<Leaf> leaves;
  for (std::uint16_t i = 0; i < count; ++i) {
    const auto leaf =
        LeafAt(image, *image.U32(cell->first + kSubkeyListEntriesOffset + i * kPlainListEntrySize));
    if (!leaf) return std::nullopt;
    leaves.push_back(*leaf);
  }
  return leaves;
}

Status RepairKey(HiveImage& image, std::uint64_t parentCell) {
  if (parentCell < kHiveBaseBlockSize) return Damaged("parent outside the bins");
  const auto parent = image.Cell(static_cast<std::uint32_t>(parentCell - kHiveBaseBlockSize));
  if (!parent || parent->second < kKeyNodeNameOffset ||
      !image.Signature(parent->first, kKeyNodeSignature)) {
    return Damaged("parent is not a key");
  }
  if (*image.U32(parent->first + kKeyNodeSubkeyCountOffset) == 0) return Status::Ok();
  const auto leaves = LeavesOf(image, *image.U32(parent->first + kKeyNodeSubkeyListOffset));
  if (!leaves) return Damaged("cannot be read");

  std::vector<Entry> entries;
  for (const Leaf& leaf : *leaves) {
    for (std::uint16_t i = 0; i < leaf.count; ++i) {
      const std::uint32_t keyCell = *image.U32(EntryAt(leaf, i));
      auto name = KeyName(image, keyCell);
      if (!name) return Damaged("points to something that is not a key");
      std::u16string folded = FoldName(*name);
      entries.push_back({keyCell, std::move(*name), std::move(folded)});
    }
  }
  std::stable_sort(entries.begin(), entries.end(),
                   [](const Entry& a, const Entry& b) { return a.folded < b.folded; });

  std::size_t next = 0;
  for (const Leaf& leaf : *leaves) {
    for (std::uint16_t i = 0; i < leaf.count; ++i, ++next) {
      const Entry& entry = entries[next];
      const std::size_t at = EntryAt(leaf, i);
      image.PutU32(at, entry.keyCell);
      if (leaf.kind == 'h') image.PutU32(at + kListEntryHashOffset, SubkeyNameHash(entry.name));
      if (leaf.kind == 'f') image.PutU32(at + kListEntryHashOffset, SubkeyNameHint(entry.name));
    }
  }
  return Status::Ok();
}

}  // namespace

std::uint32_t SubkeyNameHash(std::u16string_view name) {
  std::uint32_t hash = 0;
  for (char16_t unit : FoldName(name)) hash = hash * kSubkeyNameHashMultiplier + unit;
  return hash;
}

std::uint32_t SubkeyNameHint(std::u16string_view name) {
  // Windows keeps one byte per character; a character beyond one byte cannot be
  // hinted, and Windows does not compare the hint for it.
  std::uint32_t hint = 0;
  for (std::size_t i = 0; i < kSubkeyNameHintLength && i < name.size(); ++i) {
    hint |= static_cast<std::uint32_t>(name[i] & 0xFF) << (8 * i);
  }
  return hint;
}

Status RepairSubkeyLists(const std::string& hivePath, const std::vector<std::uint64_t>& parentCells) {
  if (parentCells.empty()) return Status::Ok();
  std::ifstream in(hivePath, std::ios::binary);
  if (!in) return Status::Error("cannot read " + hivePath + " to order its subkey lists");
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();
  HiveImage image(std::move(bytes));
  const std::vector<std::uint8_t> before = image.Bytes();
  for (std::uint64_t parent : parentCells) {
    Status status = RepairKey(image, parent);
    if (!status.ok()) return Status::Error(hivePath + ": " + status.message());
  }
  if (image.Bytes() == before) return Status::Ok();
  std::fstream out(hivePath, std::ios::binary | std::ios::in | std::ios::out);
  out.write(reinterpret_cast<const char*>(image.Bytes().data()),
            static_cast<std::streamsize>(image.Bytes().size()));
  out.flush();
  if (!out) return Status::Error("cannot write the ordered subkey lists of " + hivePath);
  return Status::Ok();
}

}  // namespace qv
