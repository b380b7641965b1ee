#include "tests/support/archive_builder.h"

#include <algorithm>
#include <stdexcept>

#include "processors/des_cryptors.h"
#include "processors/lzma_processors.h"
#include "tests/support/temp_dir.h"

namespace qv::test {
namespace {

template <std::size_t N>
std::string AsString(const std::array<std::uint8_t, N>& bytes) {
  return std::string(reinterpret_cast<const char*>(bytes.data()), N);
}

TextField Field(std::u16string_view text) {
  TextField field{};
  if (!SetTextField(field, text)) throw std::invalid_argument("text does not fit a 260-unit field");
  return field;
}

std::string Run(DataProcessor& stage, const std::string& input) {
  stage.Process(reinterpret_cast<const std::uint8_t*>(input.data()), static_cast<std::int32_t>(input.size()));
  if (stage.Failed()) throw std::runtime_error("a stage failed while building a test archive");
  return std::string(reinterpret_cast<const char*>(stage.Output()), static_cast<std::size_t>(stage.OutputSize()));
}

}  // namespace

std::string EncodePayload(const std::string& plain, const Coding& coding) {
  std::string bytes = plain;
  if (coding.compress) {
    LZMACompProcessor compressor;
    bytes = Run(compressor, bytes);
  }
  if (coding.protect) {
    DESEncryptor encryptor(coding.password);
    bytes = Run(encryptor, bytes);
  }
  return bytes;
}

std::string HeaderBytes(const ArchiveHeader& header) { return AsString(EncodeArchiveHeader(header)); }

ArchiveBuilder& ArchiveBuilder::Header(bool isProtected, const std::u16string& password) {
  m_bytes += HeaderBytes(MakeArchiveHeader(isProtected, password));
  m_boundaries.push_back(m_bytes.size());
  return *this;
}

ArchiveBuilder& ArchiveBuilder::Raw(const std::string& bytes) {
  m_bytes += bytes;
  return *this;
}

ArchiveBuilder& ArchiveBuilder::Kind(std::uint32_t code) {
  for (int i = 0; i < 4; ++i) m_bytes += static_cast<char>((code >> (8 * i)) & 0xFF);
  return *this;
}

ArchiveBuilder& ArchiveBuilder::FileHead(std::u16string_view folder, std::u16string_view name,
                                         const Coding& coding) {
  FileItemHead head;
  head.item.folder = Field(folder);
  head.item.name = Field(name);
  head.compressed = coding.compress ? 1 : 0;
  head.isProtected = coding.protect ? 1 : 0;
  m_bytes += AsString(EncodeFileItemHead(head));
  return *this;
}

ArchiveBuilder& ArchiveBuilder::ValueHead(std::u16string_view subkey, std::u16string_view name,
                                          std::uint32_t type, const Coding& coding, std::uint32_t root) {
  RegItemHead head;
  head.item.root = root;
  head.item.type = type;
  head.item.subkey = Field(subkey);
  head.item.valueName = Field(name);
  head.compressed = coding.compress ? 1 : 0;
  head.isProtected = coding.protect ? 1 : 0;
  m_bytes += AsString(EncodeRegItemHead(head));
  return *this;
}

ArchiveBuilder& ArchiveBuilder::BlockHead(std::uint8_t last, std::uint32_t size) {
  qv::BlockHead head;
  head.last = last;
  head.size = size;
  m_bytes += AsString(EncodeBlockHead(head));
  return *this;
}

ArchiveBuilder& ArchiveBuilder::RawBlock(const std::string& payload) {
  BlockHead(0, static_cast<std::uint32_t>(payload.size()));
  m_bytes += payload;
  return *this;
}

ArchiveBuilder& ArchiveBuilder::Block(const std::string& plain, const Coding& coding) {
  return RawBlock(EncodePayload(plain, coding));
}

ArchiveBuilder& ArchiveBuilder::EndMarker() {
  BlockHead(1, 0);
  m_boundaries.push_back(m_bytes.size());
  return *this;
}

ArchiveBuilder& ArchiveBuilder::File(std::u16string_view folder, std::u16string_view name,
                                     const std::string& data, const Coding& coding) {
  FileHead(folder, name, coding);
  for (std::size_t at = 0; at < data.size(); at += kBlockSize) Block(data.substr(at, kBlockSize), coding);
  return EndMarker();
}

ArchiveBuilder& ArchiveBuilder::Value(std::u16string_view subkey, std::u16string_view name, std::uint32_t type,
                                      const std::string& data, const Coding& coding, std::uint32_t root) {
  ValueHead(subkey, name, type, coding, root);
  for (std::size_t at = 0; at < data.size(); at += kBlockSize) Block(data.substr(at, kBlockSize), coding);
  return EndMarker();
}

void ArchiveBuilder::WriteTo(const std::filesystem::path& path) const { WriteFileBytes(path, m_bytes); }

}  // namespace qv::test
