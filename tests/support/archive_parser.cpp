#include "tests/support/archive_parser.h"

#include "processors/des_cryptors.h"
#include "processors/lzma_processors.h"

namespace qv::test {

std::uint32_t LittleEndian32(const std::string& bytes, std::size_t offset) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<std::uint8_t>(bytes[offset + i]);
  return value;
}

namespace {

std::u16string Text(const std::string& bytes, std::size_t offset) {
  std::u16string text;
  for (std::size_t unit = 0; unit < 260; ++unit) {
    const char16_t c = static_cast<char16_t>(static_cast<std::uint8_t>(bytes[offset + 2 * unit]) |
                                             static_cast<std::uint8_t>(bytes[offset + 2 * unit + 1]) << 8);
    if (c == 0) break;
    text += c;
  }
  return text;
}

std::string Bytes(const DataProcessor& stage) {
  if (stage.OutputSize() <= 0) return {};
  return std::string(reinterpret_cast<const char*>(stage.Output()),
                     static_cast<std::size_t>(stage.OutputSize()));
}

}  // namespace

ParsedArchive ParseArchive(const std::string& bytes) {
  ParsedArchive archive;
  if (bytes.size() < 116) {
    archive.error = "shorter than a header";
    return archive;
  }
  archive.header = bytes.substr(0, 116);
  std::size_t at = 116;
  while (at < bytes.size()) {
    ParsedRecord record;
    record.offset = at;
    if (bytes.size() - at < 4) {
      archive.error = "kind code cut short at " + std::to_string(at);
      return archive;
    }
    record.kind = LittleEndian32(bytes, at);
    const std::size_t headSize = record.kind == 1 ? 1048 : record.kind == 2 ? 1056 : 0;
    if (headSize == 0 || bytes.size() - at < headSize) {
      archive.error = "bad kind or head cut short at " + std::to_string(at);
      return archive;
    }
    if (record.kind == 1) {
      record.folder = Text(bytes, at + 4);
      record.name = Text(bytes, at + 524);
      record.compressed = static_cast<std::uint8_t>(bytes[at + 1044]);
      record.isProtected = static_cast<std::uint8_t>(bytes[at + 1045]);
    } else {
      record.root = LittleEndian32(bytes, at + 4);
      record.type = LittleEndian32(bytes, at + 8);
      record.subkey = Text(bytes, at + 12);
      record.valueName = Text(bytes, at + 532);
      record.compressed = static_cast<std::uint8_t>(bytes[at + 1052]);
      record.isProtected = static_cast<std::uint8_t>(bytes[at + 1053]);
    }
    at += headSize;
    for (;;) {
      if (bytes.size() - at < 8) {
        archive.error = "block head cut short at " + std::to_string(at);
        return archive;
      }
      const auto last = static_cast<std::uint8_t>(bytes[at]);
      const std::uint32_t size = LittleEndian32(bytes, at + 4);
      at += 8;
      if (last != 0) break;
      if (bytes.size() - at < size) {
        archive.error = "payload cut short at " + std::to_string(at);
        return archive;
      }
      record.payloads.push_back(bytes.substr(at, size));
      at += size;
    }
    record.size = at - record.offset;
    archive.records.push_back(std::move(record));
  }
  archive.ok = true;
  return archive;
}

std::string DecodePayload(const std::string& payload, const ParsedRecord& record,
                          const std::u16string& password, bool* ok) {
  *ok = true;
  std::string data = payload;
  if (record.isProtected) {
    DESDecryptor decryptor(password);
    decryptor.Process(reinterpret_cast<const std::uint8_t*>(data.data()),
                      static_cast<std::int32_t>(data.size()));
    if (decryptor.Failed()) *ok = false;
    data = Bytes(decryptor);
  }
  if (record.compressed && *ok) {
    LZMADecompProcessor decompressor;
    decompressor.Process(reinterpret_cast<const std::uint8_t*>(data.data()),
                         static_cast<std::int32_t>(data.size()));
    if (decompressor.Failed()) *ok = false;
    data = Bytes(decompressor);
  }
  if (!*ok) data.clear();
  return data;
}

std::string DecodeRecord(const ParsedRecord& record, const std::u16string& password) {
  std::string all;
  for (const std::string& payload : record.payloads) {
    bool ok = false;
    all += DecodePayload(payload, record, password, &ok);
  }
  return all;
}

}  // namespace qv::test
