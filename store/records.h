// The archive's records, byte for byte. docs/format.md describes the format; this
// file holds the constants and the explicit little-endian encoders and decoders.
// Structures here are plain values: never written with memcpy.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "processors/seal_cryptors.h"

namespace qv {

inline constexpr std::uint32_t kBlockSize = 102400;  // source bytes per data block, at most
inline constexpr std::uint32_t kFileItemKind = 1;
inline constexpr std::uint32_t kRegItemKind = 2;

inline constexpr std::size_t kArchiveHeaderSize = 116;
inline constexpr std::size_t kFileItemHeadSize = 1048;
inline constexpr std::size_t kRegItemHeadSize = 1056;
inline constexpr std::size_t kBlockHeadSize = 8;
inline constexpr std::size_t kFileItemSize = 1040;
inline constexpr std::size_t kRegItemSize = 1048;

inline constexpr std::size_t kTextFieldUnits = 260;  // 259 units and the terminator
inline constexpr std::size_t kVerifierFieldSize = 103;
inline constexpr std::uint32_t kArchiveVersion = 1;
// The sealed form: same magic and header size, every piece sealed (docs/format.md).
inline constexpr std::uint32_t kSealedArchiveVersion = 2;
inline constexpr std::size_t kSealedHeadPlainSize = kRegItemHeadSize;  // both heads, padded to the larger
inline constexpr std::size_t kSealedHeadSize = kSealedHeadPlainSize + kSealTagSize;
inline constexpr std::size_t kSealedEndSize = kSealTagSize;  // the tag after a record's end marker
// A block head sealed where it lies, so that nobody learns a block's length.
inline constexpr std::size_t kSealedBlockHeadSize = kBlockHeadSize + kSealTagSize;
inline constexpr std::array<std::uint8_t, 4> kArchiveMagic = {'Q', 'V', 'L', 0};

// The password-check phrase. Its 64 characters and a terminating zero are encrypted
// into the header; a typed password is right when the first 64 bytes come back.
inline constexpr std::string_view kPasswordCheckPhrase =
    "714kqzmv38pxrtnbcjwle;uoa61475029816]d-52vysk=617=-8841972065517";
inline constexpr std::size_t kVerifierBlockSize = 80;

// A fixed UTF-16 text field: at most 259 units, NUL-terminated.
using TextField = std::array<char16_t, kTextFieldUnits>;

// Sets the field to `text`, zero-filling the rest. Refuses (returns false and leaves
// the field unchanged) text of more than 259 units or with a NUL inside: a path cut
// short would name another file.
[[nodiscard]] bool SetTextField(TextField& field, std::u16string_view text);
// The text up to the first NUL (or all 260 units when there is none).
std::u16string TextFieldValue(const TextField& field);

struct ArchiveHeader {
  std::array<std::uint8_t, 4> magic = kArchiveMagic;
  std::uint32_t version = kArchiveVersion;
  std::uint8_t isProtected = 0;
  std::array<std::uint8_t, kVerifierFieldSize> verifier{};
  std::uint32_t verifierLength = 0;
};

struct FileItem {
  TextField folder{};
  TextField name{};
};

struct FileItemHead {
  std::uint32_t kind = kFileItemKind;
  FileItem item;
  std::uint8_t compressed = 0;
  std::uint8_t isProtected = 0;
};

struct RegItem {
  std::uint32_t root = 0;
  std::uint32_t type = 0;
  TextField subkey{};
  TextField valueName{};
};

struct RegItemHead {
  std::uint32_t kind = kRegItemKind;
  RegItem item;
  std::uint8_t compressed = 0;
  std::uint8_t isProtected = 0;
};

struct BlockHead {
  std::uint8_t last = 0;  // 0: `size` payload bytes follow; anything else ends the record
  std::uint32_t size = 0;
};

using ArchiveHeaderBytes = std::array<std::uint8_t, kArchiveHeaderSize>;
using FileItemHeadBytes = std::array<std::uint8_t, kFileItemHeadSize>;
using RegItemHeadBytes = std::array<std::uint8_t, kRegItemHeadSize>;
using BlockHeadBytes = std::array<std::uint8_t, kBlockHeadSize>;

ArchiveHeaderBytes EncodeArchiveHeader(const ArchiveHeader& header);
ArchiveHeader DecodeArchiveHeader(const ArchiveHeaderBytes& bytes);

FileItemHeadBytes EncodeFileItemHead(const FileItemHead& head);
RegItemHeadBytes EncodeRegItemHead(const RegItemHead& head);
BlockHeadBytes EncodeBlockHead(const BlockHead& head);
BlockHead DecodeBlockHead(const BlockHeadBytes& bytes);

// The record-head bytes after the 4-byte kind code, as the reader hands them over
// (1044 and 1052 bytes). Return false when `body` is not exactly that long, or
// when a text field holds no terminator (the head is filled in all the same).
[[nodiscard]] bool DecodeFileItemHeadBody(std::span<const std::uint8_t> body, FileItemHead* head);
[[nodiscard]] bool DecodeRegItemHeadBody(std::span<const std::uint8_t> body, RegItemHead* head);

// Header acceptance, in the order a restore checks it.
enum class HeaderCheck {
  kOk,
  kBadMagic,           // first four bytes are not "QVL" and a zero byte
  kBadVersion,         // version other than 1
  kBadVerifierLength,  // protected, but the verifier runs past the header or is too
                       // short to hold the 64 phrase bytes once decrypted
  kBadSealParameters,  // a sealed header with a KDF, cipher or cost we do not take
};
HeaderCheck CheckArchiveHeader(const ArchiveHeader& header);
// What a refused header is, in words for the user ("bad magic number", ...).
const char* HeaderCheckText(HeaderCheck check);

// The 80-byte verifier block for a password: the encrypted check phrase.
std::vector<std::uint8_t> MakePasswordVerifier(const std::u16string& password);
// Whether `password` decrypts the header's verifier to the check phrase (its first
// 64 bytes). False for a header that CheckArchiveHeader does not accept.
bool CheckPassword(const ArchiveHeader& header, const std::u16string& password);
// A header for a new archive: magic, version 1, and for a protected archive the flag,
// the verifier and its length.
ArchiveHeader MakeArchiveHeader(bool isProtected, const std::u16string& password);

// The sealed form's header fields live in the bytes that version 1 calls the
// verifier and its length; these read and write them there.
inline bool IsSealedHeader(const ArchiveHeader& header) { return header.version == kSealedArchiveVersion; }
ScryptCost SealedHeaderCost(const ArchiveHeader& header);
// A new sealed header: a fresh salt, `cost`, and the check tag under the key made
// from `password`, which goes to *key. False when no random salt or key could be
// made. `fixedSalt` is for the fuzz targets, whose seeds must stay sealed under
// one key; a backup always takes a fresh salt.
[[nodiscard]] bool MakeSealedArchiveHeader(const std::u16string& password, const ScryptCost& cost,
                                           ArchiveHeader* header, SealKey* key,
                                           std::span<const std::uint8_t> fixedSalt = {});
// The archive key, when `password` opens the check of an accepted sealed header.
[[nodiscard]] bool OpenSealedHeader(const ArchiveHeader& header, const std::u16string& password, SealKey* key);

}  // namespace qv
