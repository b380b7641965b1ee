#include "store/records.h"

#include <algorithm>
#include <cstring>

#include "platform/coding.h"
#include "processors/des_cryptors.h"
#include "processors/lzma_processors.h"

namespace qv {
namespace {

constexpr std::size_t kTextFieldBytes = kTextFieldUnits * 2;
constexpr std::size_t kKindSize = 4;
constexpr std::size_t kFlagsAndPaddingSize = 4;  // compressed, protected, two zero bytes

// The 64 phrase bytes are all a password check compares; a verifier must hold at
// least its 8 length bytes and those 64 bytes of cipher text.
constexpr std::size_t kComparedPhraseBytes = 64;
constexpr std::size_t kMinVerifierLength = 8 + kComparedPhraseBytes;

static_assert(kPasswordCheckPhrase.size() == kComparedPhraseBytes);
static_assert(kArchiveHeaderSize == 4 + 4 + 1 + kVerifierFieldSize + 4);
static_assert(kFileItemSize == 2 * kTextFieldBytes);
static_assert(kRegItemSize == 4 + 4 + 2 * kTextFieldBytes);
static_assert(kFileItemHeadSize == kKindSize + kFileItemSize + kFlagsAndPaddingSize);
static_assert(kRegItemHeadSize == kKindSize + kRegItemSize + kFlagsAndPaddingSize);
static_assert(kBlockHeadSize == 1 + 3 + 4);
// The decoders refuse a block that would decode to more than one piece.
static_assert(kMaxDecodedBlockSize == kBlockSize);
// The verifier of a 65-byte phrase (8 length bytes, 72 cipher bytes) must fit.
static_assert(kVerifierBlockSize == 8 + (kPasswordCheckPhrase.size() + 1 + 7) / 8 * 8);
static_assert(kVerifierBlockSize <= kVerifierFieldSize);

// Archive header offsets.
constexpr std::size_t kMagicAt = 0, kVersionAt = 4, kProtectedAt = 8, kVerifierAt = 9, kVerifierLengthAt = 112;
static_assert(kVerifierLengthAt == kVerifierAt + kVerifierFieldSize);
static_assert(kVerifierLengthAt + 4 == kArchiveHeaderSize);

// Record-head offsets, counted from the start of the body (after the kind code).
constexpr std::size_t kFileFolderAt = 0, kFileNameAt = kTextFieldBytes, kFileFlagsAt = kFileItemSize;
constexpr std::size_t kRegRootAt = 0, kRegTypeAt = 4, kRegSubkeyAt = 8, kRegValueNameAt = 8 + kTextFieldBytes,
                      kRegFlagsAt = kRegItemSize;

// Sealed header offsets, counted from the start of the file (docs/format.md).
constexpr std::size_t kSealKdfAt = 9, kSealCipherAt = 10, kSealLog2NAt = 11, kSealRAt = 12, kSealPAt = 16,
                      kSealSaltAt = 20, kSealCheckAt = kSealSaltAt + kSealSaltSize,
                      kSealReservedAt = kSealCheckAt + kSealTagSize;
constexpr std::uint8_t kSealKdfScrypt = 1, kSealCipherChaChaPoly = 1;
static_assert(kSealReservedAt == 68);
static_assert(kSealedHeadPlainSize >= kFileItemHeadSize);

void EncodeTextField(std::uint8_t* dst, const TextField& field) {
  for (std::size_t i = 0; i < field.size(); ++i) EncodeFixed16(dst + 2 * i, field[i]);
}

// False when the field holds no terminator: 260 units of text are one more than
// any field may hold, and whoever restored it could never back it up again.
bool DecodeTextField(const std::uint8_t* src, TextField& field) {
  for (std::size_t i = 0; i < field.size(); ++i) field[i] = DecodeFixed16(src + 2 * i);
  return std::find(field.begin(), field.end(), u'\0') != field.end();
}

void EncodeFileItemBody(std::uint8_t* body, const FileItemHead& head) {
  EncodeTextField(body + kFileFolderAt, head.item.folder);
  EncodeTextField(body + kFileNameAt, head.item.name);
  body[kFileFlagsAt] = head.compressed;
  body[kFileFlagsAt + 1] = head.isProtected;
}

void EncodeRegItemBody(std::uint8_t* body, const RegItemHead& head) {
  EncodeFixed32(body + kRegRootAt, head.item.root);
  EncodeFixed32(body + kRegTypeAt, head.item.type);
  EncodeTextField(body + kRegSubkeyAt, head.item.subkey);
  EncodeTextField(body + kRegValueNameAt, head.item.valueName);
  body[kRegFlagsAt] = head.compressed;
  body[kRegFlagsAt + 1] = head.isProtected;
}

}  // namespace

bool SetTextField(TextField& field, std::u16string_view text) {
  if (text.size() >= kTextFieldUnits) return false;
  if (text.find(u'\0') != std::u16string_view::npos) return false;
  field.fill(0);
  std::copy(text.begin(), text.end(), field.begin());
  return true;
}

std::u16string TextFieldValue(const TextField& field) {
  const auto end = std::find(field.begin(), field.end(), u'\0');
  return std::u16string(field.begin(), end);
}

ArchiveHeaderBytes EncodeArchiveHeader(const ArchiveHeader& header) {
  ArchiveHeaderBytes bytes{};
  std::copy(header.magic.begin(), header.magic.end(), bytes.begin() + kMagicAt);
  EncodeFixed32(&bytes[kVersionAt], header.version);
  bytes[kProtectedAt] = header.isProtected;
  std::copy(header.verifier.begin(), header.verifier.end(), bytes.begin() + kVerifierAt);
  EncodeFixed32(&bytes[kVerifierLengthAt], header.verifierLength);
  return bytes;
}

ArchiveHeader DecodeArchiveHeader(const ArchiveHeaderBytes& bytes) {
  ArchiveHeader header;
  std::copy_n(bytes.begin() + kMagicAt, header.magic.size(), header.magic.begin());
  header.version = DecodeFixed32(&bytes[kVersionAt]);
  header.isProtected = bytes[kProtectedAt];
  std::copy_n(bytes.begin() + kVerifierAt, header.verifier.size(), header.verifier.begin());
  header.verifierLength = DecodeFixed32(&bytes[kVerifierLengthAt]);
  return header;
}

FileItemHeadBytes EncodeFileItemHead(const FileItemHead& head) {
  FileItemHeadBytes bytes{};
  EncodeFixed32(bytes.data(), head.kind);
  EncodeFileItemBody(bytes.data() + kKindSize, head);
  return bytes;
}

RegItemHeadBytes EncodeRegItemHead(const RegItemHead& head) {
  RegItemHeadBytes bytes{};
  EncodeFixed32(bytes.data(), head.kind);
  EncodeRegItemBody(bytes.data() + kKindSize, head);
  return bytes;
}

BlockHeadBytes EncodeBlockHead(const BlockHead& head) {
  BlockHeadBytes bytes{};
  bytes[0] = head.last;
  EncodeFixed32(&bytes[4], head.size);
  return bytes;
}

BlockHead DecodeBlockHead(const BlockHeadBytes& bytes) {
  BlockHead head;
  head.last = bytes[0];
  head.size = DecodeFixed32(&bytes[4]);
  return head;
}

bool DecodeFileItemHeadBody(std::span<const std::uint8_t> body, FileItemHead* head) {
  if (body.size() != kFileItemHeadSize - kKindSize || !head) return false;
  head->kind = kFileItemKind;
  const bool folderEnds = DecodeTextField(body.data() + kFileFolderAt, head->item.folder);
  const bool nameEnds = DecodeTextField(body.data() + kFileNameAt, head->item.name);
  head->compressed = body[kFileFlagsAt];
  head->isProtected = body[kFileFlagsAt + 1];
  return folderEnds && nameEnds;
}

bool DecodeRegItemHeadBody(std::span<const std::uint8_t> body, RegItemHead* head) {
  if (body.size() != kRegItemHeadSize - kKindSize || !head) return false;
  head->kind = kRegItemKind;
  head->item.root = DecodeFixed32(body.data() + kRegRootAt);
  head->item.type = DecodeFixed32(body.data() + kRegTypeAt);
  const bool subkeyEnds = DecodeTextField(body.data() + kRegSubkeyAt, head->item.subkey);
  const bool nameEnds = DecodeTextField(body.data() + kRegValueNameAt, head->item.valueName);
  head->compressed = body[kRegFlagsAt];
  head->isProtected = body[kRegFlagsAt + 1];
  return subkeyEnds && nameEnds;
}

HeaderCheck CheckArchiveHeader(const ArchiveHeader& header) {
  if (header.magic != kArchiveMagic) return HeaderCheck::kBadMagic;
  if (header.version == kSealedArchiveVersion) {
    const ArchiveHeaderBytes bytes = EncodeArchiveHeader(header);
    const bool reservedZero =
        std::all_of(bytes.begin() + kSealReservedAt, bytes.end(), [](std::uint8_t b) { return b == 0; });
    // A version-2 header that is not protected by the one KDF and cipher we know is
    // nothing we can read at all; one with a cost or reserved bytes we refuse is ours.
    if (header.isProtected != 1 || bytes[kSealKdfAt] != kSealKdfScrypt || bytes[kSealCipherAt] != kSealCipherChaChaPoly) {
      return HeaderCheck::kBadVersion;
    }
    if (!reservedZero || !ScryptCostAccepted(SealedHeaderCost(header))) {
      return HeaderCheck::kBadSealParameters;
    }
    return HeaderCheck::kOk;
  }
  if (header.version != kArchiveVersion) return HeaderCheck::kBadVersion;
  if (header.isProtected == 0) return HeaderCheck::kOk;

  // Decided from the lengths alone, so that nothing reads past the 103-byte field.
  const std::uint32_t length = header.verifierLength;
  if (length > kVerifierFieldSize || length < kMinVerifierLength) return HeaderCheck::kBadVerifierLength;
  if (DecodeFixed32(header.verifier.data()) < kComparedPhraseBytes) return HeaderCheck::kBadVerifierLength;
  return HeaderCheck::kOk;
}

const char* HeaderCheckText(HeaderCheck check) {
  switch (check) {
    case HeaderCheck::kOk: return "ok";
    case HeaderCheck::kBadMagic: return "bad magic number";
    case HeaderCheck::kBadVersion: return "unsupported version";
    case HeaderCheck::kBadVerifierLength: return "bad verifier length";
    case HeaderCheck::kBadSealParameters: return "unsupported protection parameters";
  }
  return "unknown header check";
}

std::vector<std::uint8_t> MakePasswordVerifier(const std::u16string& password) {
  // The phrase's terminating zero is encrypted too: verifiers have always held 65
  // plain bytes, and CheckPassword compares only the first 64.
  std::vector<std::uint8_t> plain(kPasswordCheckPhrase.begin(), kPasswordCheckPhrase.end());
  plain.push_back(0);
  DESEncryptor encryptor(password);
  encryptor.Process(plain.data(), static_cast<std::int32_t>(plain.size()));
  return std::vector<std::uint8_t>(encryptor.Output(), encryptor.Output() + encryptor.OutputSize());
}

bool CheckPassword(const ArchiveHeader& header, const std::u16string& password) {
  // An unprotected header has no verifier that any password could open.
  if (header.isProtected == 0 || CheckArchiveHeader(header) != HeaderCheck::kOk) return false;
  if (IsSealedHeader(header)) {
    SealKey key;
    return OpenSealedHeader(header, password, &key);
  }
  DESDecryptor decryptor(password);
  decryptor.Process(header.verifier.data(), static_cast<std::int32_t>(header.verifierLength));
  if (decryptor.Failed() || decryptor.OutputSize() < static_cast<std::int32_t>(kComparedPhraseBytes)) return false;
  return std::memcmp(decryptor.Output(), kPasswordCheckPhrase.data(), kComparedPhraseBytes) == 0;
}

ArchiveHeader MakeArchiveHeader(bool isProtected, const std::u16string& password) {
  ArchiveHeader header;
  if (!isProtected) return header;
  const std::vector<std::uint8_t> verifier = MakePasswordVerifier(password);
  header.isProtected = 1;
  std::copy(verifier.begin(), verifier.end(), header.verifier.begin());
  header.verifierLength = static_cast<std::uint32_t>(verifier.size());
  return header;
}

ScryptCost SealedHeaderCost(const ArchiveHeader& header) {
  const ArchiveHeaderBytes bytes = EncodeArchiveHeader(header);
  ScryptCost cost;
  cost.nLog2N = bytes[kSealLog2NAt];
  cost.nR = DecodeFixed32(&bytes[kSealRAt]);
  cost.nP = DecodeFixed32(&bytes[kSealPAt]);
  return cost;
}

namespace {

// The header check seals nothing under the all-zero nonce, which no record piece
// uses (their positions are past the header), bound to everything before it.
std::vector<std::uint8_t> HeaderCheckTag(const ArchiveHeaderBytes& bytes, const SealKey& key) {
  const std::array<std::uint8_t, kSealNonceSize> nonce{};
  std::vector<std::uint8_t> tag;
  if (!SealWith(key, nonce, std::span(bytes.data(), kSealCheckAt), {}, &tag)) tag.clear();
  return tag;
}

std::span<const std::uint8_t> SaltOf(const ArchiveHeaderBytes& bytes) {
  return std::span(bytes.data() + kSealSaltAt, kSealSaltSize);
}

}  // namespace

bool MakeSealedArchiveHeader(const std::u16string& password, const ScryptCost& cost, ArchiveHeader* header,
                             SealKey* key, std::span<const std::uint8_t> fixedSalt) {
  ArchiveHeaderBytes bytes{};
  std::copy(kArchiveMagic.begin(), kArchiveMagic.end(), bytes.begin() + kMagicAt);
  EncodeFixed32(&bytes[kVersionAt], kSealedArchiveVersion);
  bytes[kProtectedAt] = 1;
  bytes[kSealKdfAt] = kSealKdfScrypt;
  bytes[kSealCipherAt] = kSealCipherChaChaPoly;
  bytes[kSealLog2NAt] = cost.nLog2N;
  EncodeFixed32(&bytes[kSealRAt], cost.nR);
  EncodeFixed32(&bytes[kSealPAt], cost.nP);
  if (fixedSalt.size() == kSealSaltSize) {
    std::copy(fixedSalt.begin(), fixedSalt.end(), bytes.begin() + kSealSaltAt);
  } else if (!FillRandom(std::span(bytes.data() + kSealSaltAt, kSealSaltSize))) {
    return false;
  }
  if (!DeriveSealKey(password, SaltOf(bytes), cost, key)) return false;
  const std::vector<std::uint8_t> tag = HeaderCheckTag(bytes, *key);
  if (tag.size() != kSealTagSize) return false;
  std::copy(tag.begin(), tag.end(), bytes.begin() + kSealCheckAt);
  *header = DecodeArchiveHeader(bytes);
  return true;
}

bool OpenSealedHeader(const ArchiveHeader& header, const std::u16string& password, SealKey* key) {
  if (!IsSealedHeader(header) || CheckArchiveHeader(header) != HeaderCheck::kOk) return false;
  const ArchiveHeaderBytes bytes = EncodeArchiveHeader(header);
  if (!DeriveSealKey(password, SaltOf(bytes), SealedHeaderCost(header), key)) return false;
  const std::array<std::uint8_t, kSealNonceSize> nonce{};
  std::vector<std::uint8_t> empty;
  return OpenWith(*key, nonce, std::span(bytes.data(), kSealCheckAt),
                  std::span(bytes.data() + kSealCheckAt, kSealTagSize), &empty);
}

}  // namespace qv
