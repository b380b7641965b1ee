#include "store/reader/archive_stream.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "platform/coding.h"
#include "platform/platform.h"
#include "store/records.h"

namespace qv {

bool ArchiveStream::Open(std::u16string_view path, std::uint32_t headerSize) {
  Close();
  m_nHeaderSize = headerSize;
  m_nConsumed = 0;
  m_nFileSize = 0;
  m_bReadFailed = false;
  m_strReadError.clear();
  m_nBufferStart = 0;
  m_nBufferEnd = 0;
  // Open-existing: an archive that vanished must not be created empty at its path.
  m_archive = UniqueFile(Os().CreateFileW(path, kGenericRead, kFileShareNone, kOpenExisting));
  if (!m_archive.Valid() || !Os().GetFileSize(m_archive.Get(), &m_nFileSize)) {
    m_strReadError = Os().LastErrorText();
    Close();
    return false;
  }
  m_header.assign(headerSize, 0);
  m_header.resize(ReadUpTo(m_header.data(), headerSize));
  m_nConsumed = 0;  // counted from the end of the header
  if (m_bReadFailed) {
    Close();
    return false;
  }
  return true;
}

void ArchiveStream::Close() {
  (void)m_archive.Close();  // opened for reading: nothing to lose
}

namespace {

std::optional<ArchiveHeader> WholeHeader(const std::vector<std::uint8_t>& read) {
  if (read.size() != kArchiveHeaderSize) return std::nullopt;
  ArchiveHeaderBytes bytes{};
  std::copy(read.begin(), read.end(), bytes.begin());
  return DecodeArchiveHeader(bytes);
}

}  // namespace

bool ArchiveStream::HeaderIsProtected() const {
  const std::optional<ArchiveHeader> header = WholeHeader(m_header);
  return header && header->isProtected != 0;
}

std::optional<ArchiveHeader> ArchiveStream::SealedHeader() const {
  std::optional<ArchiveHeader> header = WholeHeader(m_header);
  if (header && !IsSealedHeader(*header)) header.reset();
  return header;
}

std::uint32_t ArchiveStream::ReadFromFile(std::uint8_t* buffer, std::uint32_t size) {
  if (m_bReadFailed) return 0;
  std::uint32_t got = 0;
  if (!Os().ReadFile(m_archive.Get(), buffer, size, &got)) {
    m_bReadFailed = true;
    m_strReadError = Os().LastErrorText();
    return 0;
  }
  return got;
}

std::uint32_t ArchiveStream::ReadUpTo(std::uint8_t* buffer, std::uint32_t size) {
  std::uint32_t done = 0;
  while (done < size) {
    if (m_nBufferStart == m_nBufferEnd) {
      // Large pieces skip the buffer; small ones refill it.
      if (size - done >= kBufferSize) {
        const std::uint32_t got = ReadFromFile(buffer + done, size - done);
        if (got == 0) break;
        done += got;
        continue;
      }
      if (m_buffer.size() != kBufferSize) m_buffer.resize(kBufferSize);
      m_nBufferStart = 0;
      m_nBufferEnd = ReadFromFile(m_buffer.data(), kBufferSize);
      if (m_nBufferEnd == 0) break;
    }
    const std::uint32_t take = std::min(size - done, m_nBufferEnd - m_nBufferStart);
    std::memcpy(buffer + done, m_buffer.data() + m_nBufferStart, take);
    m_nBufferStart += take;
    done += take;
  }
  m_nConsumed += done;
  return done;
}

ArchiveStream::Result ArchiveStream::Shortfall(std::uint32_t got, std::uint32_t wanted) const {
  if (got == wanted) return Result::kOk;
  return m_bReadFailed ? Result::kReadFailed : Result::kCutShort;
}

ArchiveStream::Result ArchiveStream::ReadKindCode(std::uint32_t* kind) {
  if (m_bSealed) {
    const std::uint64_t at = Offset();
    std::vector<std::uint8_t> sealed(kSealedHeadSize);
    const std::uint32_t got = ReadUpTo(sealed.data(), static_cast<std::uint32_t>(sealed.size()));
    if (got == 0 && !m_bReadFailed) return Result::kNoClosing;
    if (const Result read = Shortfall(got, static_cast<std::uint32_t>(sealed.size())); read != Result::kOk) return read;
    m_nRecordOffset = at;
    m_nSealIndex = 0;
    if (!OpenPiece(m_sealKey, SealPlace{at, 0, SealRole::kHead}, sealed, &m_sealedHead)) {
      // The file's last piece is where the closing lies: no record is that short.
      return Remaining() == 0 ? Result::kClosingSealBroken : Result::kSealBroken;
    }
    *kind = DecodeFixed32(m_sealedHead.data());
    // Kind 0 is the closing, the archive's last piece.
    if (*kind == 0) return Remaining() == 0 ? Result::kEnd : Result::kAfterClosing;
    return Result::kOk;
  }
  std::uint8_t bytes[4] = {};
  const std::uint32_t got = ReadUpTo(bytes, 4);
  if (got == 0 && !m_bReadFailed) return Result::kEnd;
  const Result result = Shortfall(got, 4);
  if (result == Result::kOk) *kind = DecodeFixed32(bytes);
  return result;
}

ArchiveStream::Result ArchiveStream::ReadHeadBody(std::size_t size, std::vector<std::uint8_t>* body) {
  if (m_bSealed) {
    if (m_sealedHead.size() < 4 || size > m_sealedHead.size() - 4) return Result::kCutShort;
    body->assign(m_sealedHead.begin() + 4, m_sealedHead.begin() + 4 + static_cast<std::ptrdiff_t>(size));
    return Result::kOk;
  }
  body->assign(size, 0);
  return Shortfall(ReadUpTo(body->data(), static_cast<std::uint32_t>(size)),
                   static_cast<std::uint32_t>(size));
}

ArchiveStream::Result ArchiveStream::ReadBlockHead(StreamBlock* block) {
  block->nOffset = Offset();
  block->payload.clear();
  BlockHeadBytes bytes{};
  if (m_bSealed) {
    std::array<std::uint8_t, kSealedBlockHeadSize> sealed{};
    const Result read = Shortfall(ReadUpTo(sealed.data(), kSealedBlockHeadSize), kSealedBlockHeadSize);
    if (read != Result::kOk) return read;
    std::vector<std::uint8_t> plain;
    if (!OpenPiece(m_sealKey, SealPlace{block->nOffset, 0, SealRole::kBlockHead}, sealed, &plain) ||
        plain.size() != bytes.size()) {
      return Result::kBlockHeadSealBroken;
    }
    std::copy(plain.begin(), plain.end(), bytes.begin());
  } else {
    const Result read = Shortfall(ReadUpTo(bytes.data(), kBlockHeadSize), kBlockHeadSize);
    if (read != Result::kOk) return read;
  }
  const BlockHead head = DecodeBlockHead(bytes);
  block->bLast = head.last != 0;
  block->nLastByte = head.last;
  block->nSize = head.size;
  if (block->bLast && m_bSealed) {
    if (bytes[1] != 0 || bytes[2] != 0 || bytes[3] != 0 || head.size != kSealedEndSize) return Result::kBadEndMarker;
    std::array<std::uint8_t, kSealedEndSize> tag{};
    const Result tagRead = Shortfall(ReadUpTo(tag.data(), kSealedEndSize), kSealedEndSize);
    if (tagRead != Result::kOk) return tagRead;
    block->nSize = 0;
    std::vector<std::uint8_t> empty;
    const SealPlace place{m_nRecordOffset, m_nSealIndex + 1, SealRole::kRecordEnd};
    return OpenPiece(m_sealKey, place, tag, &empty) ? Result::kOk : Result::kSealBroken;
  }
  if (block->bLast) {
    const bool zeros = bytes[1] == 0 && bytes[2] == 0 && bytes[3] == 0 && head.size == 0;
    return zeros ? Result::kOk : Result::kBadEndMarker;
  }
  if (head.size > kMaxStoredBlockSize) return Result::kTooLarge;
  if (head.size > Remaining()) return Result::kBeyondEnd;
  return Result::kOk;
}

ArchiveStream::Result ArchiveStream::ReadPayload(StreamBlock* block) {
  block->payload.resize(block->nSize);
  const Result read = Shortfall(ReadUpTo(block->payload.data(), block->nSize), block->nSize);
  if (read != Result::kOk || !m_bSealed) return read;
  // The index counts the blocks framed, whether or not they open, so that one bad
  // block does not make every later one look moved.
  const SealPlace place{m_nRecordOffset, ++m_nSealIndex, SealRole::kBlock};
  std::vector<std::uint8_t> plain;
  if (!OpenPiece(m_sealKey, place, block->payload, &plain)) {
    block->payload.clear();
    return Result::kSealBroken;
  }
  // It opened, so it is ours to read, but no writer seals an empty piece.
  if (plain.empty()) {
    block->payload.clear();
    return Result::kEmptySeal;
  }
  block->payload = std::move(plain);
  return Result::kOk;
}

ArchiveStream::Result ArchiveStream::SkipPayload(const StreamBlock& block) {
  // A sealed record's end is bound to the number of blocks framed before it.
  if (m_bSealed) ++m_nSealIndex;
  // ReadBlockHead made sure that the file holds it.
  if (block.nSize <= m_nBufferEnd - m_nBufferStart) {
    m_nBufferStart += block.nSize;
    m_nConsumed += block.nSize;
    return Result::kOk;
  }
  return SeekTo(Offset() + block.nSize) ? Result::kOk : Result::kReadFailed;
}

ArchiveStream::Result ArchiveStream::SkipRecordRest() {
  StreamBlock block;
  for (;;) {
    if (const Result read = ReadBlockHead(&block); read != Result::kOk) return read;
    if (block.bLast) return Result::kOk;
    if (const Result skipped = SkipPayload(block); skipped != Result::kOk) return skipped;
  }
}

ArchiveStream::Result ArchiveStream::ReadAvailable(std::size_t size, std::vector<std::uint8_t>* bytes) {
  bytes->assign(size, 0);
  bytes->resize(ReadUpTo(bytes->data(), static_cast<std::uint32_t>(size)));
  return m_bReadFailed ? Result::kReadFailed : Result::kOk;
}

bool ArchiveStream::SeekTo(std::uint64_t offset) {
  if (offset < m_nHeaderSize || offset > m_nFileSize || m_bReadFailed) return false;
  std::uint64_t reached = 0;
  if (!Os().SetFilePointer(m_archive.Get(), static_cast<std::int64_t>(offset), kFileBegin, &reached) ||
      reached != offset) {
    m_bReadFailed = true;
    m_strReadError = Os().LastErrorText();
    return false;
  }
  m_nConsumed = offset - m_nHeaderSize;
  // What the buffer held belongs to where the file was read before.
  m_nBufferStart = 0;
  m_nBufferEnd = 0;
  return true;
}

}  // namespace qv
