// An archive read front to back as the format frames it (docs/format.md): kind
// codes, record heads and blocks, each found at a known offset. It decides nothing
// about what a record means: the archive reader restores through it, and anything
// else that walks an archive can read through it too.
//
// An archive is untrusted. A block that states more bytes than any block holds, or
// more than the file still has, is reported before anything is allocated for it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/unique_handles.h"
#include "processors/seal_cryptors.h"
#include "store/records.h"

namespace qv {

// The largest payload a block may state. A block holds one piece of at most
// kBlockSize source bytes; the compression stage keeps its LZMA form only within
// twice the piece's size, and the cipher adds at most 16 bytes. Anything larger
// cannot be a block, so the size field that frames the rest of the archive is
// garbage.
inline constexpr std::uint32_t kMaxStoredBlockSize = 2 * kBlockSize + 4096;

// One block as the stream found it.
struct StreamBlock {
  std::uint64_t nOffset = 0;  // of its block head
  bool bLast = false;         // the end marker of a record
  std::uint8_t nLastByte = 0;  // as stored: writers end a record with 1
  std::uint32_t nSize = 0;    // payload bytes it states
  std::vector<std::uint8_t> payload;  // filled by ReadPayload
};

class ArchiveStream {
 public:
  enum class Result {
    kOk,
    kEnd,         // not one byte left where a kind code would start
    kCutShort,    // the file ends inside the piece
    kTooLarge,    // a block states more than kMaxStoredBlockSize
    kBeyondEnd,   // a block states more than the file still holds
    kBadEndMarker,  // an end marker whose padding or size is not zero
    kReadFailed,  // the platform could not read; ReadError() says why
    // The sealed form only:
    kSealBroken,    // a piece that does not open: changed, moved or from another archive
    kBlockHeadSealBroken,  // so is a block head, and nothing after it can be framed
    kEmptySeal,     // a sealed payload that opens to no bytes, which no writer seals
    kClosingSealBroken,  // the file's last piece, where the closing lies, does not open
    kNoClosing,     // the file ends where a record or the closing should start
    kAfterClosing,  // bytes follow the closing
  };

  // What a refused sealed piece (kSealBroken, kBlockHeadSealBroken or kEmptySeal)
  // did, to follow what it was and where ("the block at N").
  static const char* SealProblem(Result read) {
    return read == Result::kEmptySeal ? " opens to no bytes, which no writer seals"
                                      : " does not open: it was changed, moved or taken from another archive";
  }

  // Opens the archive for reading, sharing nothing, so that nobody writes it while
  // it is read, and reads the first `headerSize` bytes (Header()). A file shorter
  // than that simply holds no record. False when the file cannot be opened or
  // read; ReadError() then says why.
  [[nodiscard]] bool Open(std::u16string_view path, std::uint32_t headerSize);
  void Close();

  [[nodiscard]] Result ReadKindCode(std::uint32_t* kind);
  // The `size` bytes of a record head that follow its kind code.
  [[nodiscard]] Result ReadHeadBody(std::size_t size, std::vector<std::uint8_t>* body);
  // The next block head. kTooLarge and kBeyondEnd leave block->nSize set to what
  // the head states. An end marker must hold zeros besides its first byte: a block
  // length that shrank makes the record's last data bytes and its true end marker
  // read as one, and this is where that shows.
  [[nodiscard]] Result ReadBlockHead(StreamBlock* block);
  // The payload of the block whose head was just read.
  [[nodiscard]] Result ReadPayload(StreamBlock* block);
  // Moves past that payload without reading it, for readers that only count.
  [[nodiscard]] Result SkipPayload(const StreamBlock& block);
  // Moves past the rest of a record whose head (and maybe some blocks) was read,
  // to its end marker; kOk there, else what stopped the framing.
  [[nodiscard]] Result SkipRecordRest();

  // For readers that look for the next record after damage: up to `size` bytes from
  // here into *bytes, fewer at the end of the file (kOk all the same), and a move to
  // any offset from the start of the file (at or after the header).
  [[nodiscard]] Result ReadAvailable(std::size_t size, std::vector<std::uint8_t>* bytes);
  [[nodiscard]] bool SeekTo(std::uint64_t offset);

  // Reads the sealed form (docs/format.md) from here on: ReadKindCode opens a sealed
  // head (the closing reads as kEnd), ReadHeadBody hands out what it held, an end
  // marker's tag and every payload are opened, and callers see the records as an
  // unprotected archive holds them.
  void UseSealKey(const SealKey& key) {
    m_sealKey = key;
    m_bSealed = true;
  }
  bool IsSealed() const { return m_bSealed; }
  // Where the sealed record being read began.
  std::uint64_t SealedRecordOffset() const { return m_nRecordOffset; }

  // Offset of the next byte from the start of the file.
  std::uint64_t Offset() const { return m_nHeaderSize + m_nConsumed; }
  // Bytes read after the header.
  std::uint64_t Consumed() const { return m_nConsumed; }
  std::uint64_t FileSize() const { return m_nFileSize; }
  std::uint64_t Remaining() const { return m_nFileSize > Offset() ? m_nFileSize - Offset() : 0; }
  const std::string& ReadError() const { return m_strReadError; }
  // The header bytes as read; fewer than asked for when the file is that short.
  const std::vector<std::uint8_t>& Header() const { return m_header; }
  // Whether the header read is a whole archive header marked password protected.
  // Records carry their own protected flag, but only a protected header has a
  // password behind it.
  bool HeaderIsProtected() const;
  // The header, when the one read is a whole sealed archive header.
  std::optional<ArchiveHeader> SealedHeader() const;

 private:
  std::uint32_t ReadUpTo(std::uint8_t* buffer, std::uint32_t size);
  // One read from the file, straight into `buffer`; 0 at the end or on failure.
  std::uint32_t ReadFromFile(std::uint8_t* buffer, std::uint32_t size);
  Result Shortfall(std::uint32_t got, std::uint32_t wanted) const;

  // Reads go through one buffer, so that a record head or a small block costs no
  // system call of its own.
  static constexpr std::uint32_t kBufferSize = 1024 * 1024;

  UniqueFile m_archive;
  std::vector<std::uint8_t> m_buffer;
  std::uint32_t m_nBufferStart = 0;  // next unread byte in m_buffer
  std::uint32_t m_nBufferEnd = 0;
  std::uint32_t m_nHeaderSize = 0;
  std::uint64_t m_nConsumed = 0;
  std::uint64_t m_nFileSize = 0;
  bool m_bReadFailed = false;
  std::string m_strReadError;
  std::vector<std::uint8_t> m_header;
  bool m_bSealed = false;
  SealKey m_sealKey;
  std::uint64_t m_nRecordOffset = 0;
  std::uint32_t m_nSealIndex = 0;  // of the last piece opened in the record
  std::vector<std::uint8_t> m_sealedHead;  // what the last sealed head held
};

}  // namespace qv
