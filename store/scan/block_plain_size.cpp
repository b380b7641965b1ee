#include "store/scan/block_plain_size.h"

#include "platform/coding.h"
#include "processors/compressed_block.h"
#include "processors/des_cryptors.h"
#include "processors/lzma_processors.h"

namespace qv {
namespace {

constexpr std::size_t kCipherLengthsSize = 8;

std::optional<std::uint64_t> CompressedSize(std::span<const std::uint8_t> block) {
  if (block.empty()) return 0;
  if (block[0] == kStoredForm) return block.size() - 1;
  if (block.size() < kLzmaDataOffset) return std::nullopt;
  const std::uint64_t size = DecodeFixed64(block.data() + kPlainSizeOffset);
  if (size > kMaxDecodedBlockSize) return std::nullopt;
  return size;
}

}  // namespace

std::optional<std::uint64_t> StatedPlainSize(std::span<const std::uint8_t> payload, bool compressed,
                                             bool isProtected, const std::u16string* password) {
  if (!isProtected) return compressed ? CompressedSize(payload) : payload.size();
  if (payload.size() < kCipherLengthsSize) return std::nullopt;
  const std::uint32_t plain = DecodeFixed32(payload.data());
  const std::uint32_t padded = DecodeFixed32(payload.data() + 4);
  if (padded % 8 != 0 || plain > padded || padded > payload.size() - kCipherLengthsSize) return std::nullopt;
  if (!compressed) return plain;
  if (password == nullptr) return std::nullopt;
  DESDecryptor decryptor(*password);
  decryptor.Process(payload.data(), static_cast<std::int32_t>(payload.size()));
  if (decryptor.Failed()) return std::nullopt;
  return CompressedSize({decryptor.Output(), static_cast<std::size_t>(decryptor.OutputSize())});
}

}  // namespace qv
