// Builds archives byte by byte for reader tests: well-formed records through our
// record encoders and stages, and every kind of damage a test needs (cut records,
// odd kind codes, blocks that do not decode, headers made by hand).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "store/records.h"

namespace qv::test {

struct Coding {
  bool compress = false;
  bool protect = false;
  std::u16string password;
};

// One block's payload: compressed, then encrypted, as the record's flags say.
std::string EncodePayload(const std::string& plain, const Coding& coding);

class ArchiveBuilder {
 public:
  // The header a backup would write.
  ArchiveBuilder& Header(bool isProtected = false, const std::u16string& password = u"");
  // Any bytes at all.
  ArchiveBuilder& Raw(const std::string& bytes);
  ArchiveBuilder& Kind(std::uint32_t code);

  // Whole records: head, one block per kBlockSize piece of `data`, end marker.
  ArchiveBuilder& File(std::u16string_view folder, std::u16string_view name, const std::string& data,
                       const Coding& coding = {});
  ArchiveBuilder& Value(std::u16string_view subkey, std::u16string_view name, std::uint32_t type,
                        const std::string& data, const Coding& coding = {},
                        std::uint32_t root = 0x80000001u);

  // Pieces, for records built by hand.
  ArchiveBuilder& FileHead(std::u16string_view folder, std::u16string_view name, const Coding& coding = {});
  ArchiveBuilder& ValueHead(std::u16string_view subkey, std::u16string_view name, std::uint32_t type,
                            const Coding& coding = {}, std::uint32_t root = 0x80000001u);
  ArchiveBuilder& Block(const std::string& plain, const Coding& coding = {});
  ArchiveBuilder& RawBlock(const std::string& payload);  // block head stating its size, then it
  ArchiveBuilder& BlockHead(std::uint8_t last, std::uint32_t size);
  ArchiveBuilder& EndMarker();

  const std::string& Bytes() const { return m_bytes; }
  std::size_t Size() const { return m_bytes.size(); }
  // Offsets where a record may start: after the header and after each end marker.
  const std::vector<std::size_t>& Boundaries() const { return m_boundaries; }
  void WriteTo(const std::filesystem::path& path) const;

 private:
  std::string m_bytes;
  std::vector<std::size_t> m_boundaries;
};

// A header with every field chosen by the caller.
std::string HeaderBytes(const ArchiveHeader& header);

}  // namespace qv::test
