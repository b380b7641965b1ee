// Reads an archive back for backup tests, field by field and by hand (not through
// the engine's decoders), so that a fault in the encoders cannot hide itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qv::test {

struct ParsedRecord {
  std::size_t offset = 0;  // of the kind code
  std::uint32_t kind = 0;
  std::u16string folder, name;          // kind 1
  std::uint32_t root = 0, type = 0;     // kind 2
  std::u16string subkey, valueName;     // kind 2
  std::uint8_t compressed = 0, isProtected = 0;
  std::vector<std::string> payloads;    // as stored, one per data block
  std::size_t size = 0;                 // bytes of the whole record
};

struct ParsedArchive {
  bool ok = false;
  std::string error;
  std::string header;  // the 116 header bytes
  std::vector<ParsedRecord> records;
};

ParsedArchive ParseArchive(const std::string& bytes);

// Undoes the record's stages on one payload: decryption, then decompression.
// Empty with *ok false when a stage refuses it.
std::string DecodePayload(const std::string& payload, const ParsedRecord& record,
                          const std::u16string& password, bool* ok);
// Every block of the record decoded and joined.
std::string DecodeRecord(const ParsedRecord& record, const std::u16string& password = u"");

std::uint32_t LittleEndian32(const std::string& bytes, std::size_t offset);

}  // namespace qv::test
