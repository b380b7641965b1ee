#include "store/records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "processors/des_cryptors.h"

namespace qv {
namespace {

using Bytes = std::vector<std::uint8_t>;

const std::u16string kFavoritesFolder = u"%USERPROFILE%\\Favorites";
const std::u16string kFileName = u"Example.url";
const std::u16string kIeSubkey = u"Software\\Microsoft\\Internet Explorer";
const std::u16string kValueName = u"Start Page";

template <std::size_t N>
void Append(Bytes& out, const std::array<std::uint8_t, N>& bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

std::uint32_t Le32At(const Bytes& bytes, std::size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

// The UTF-16LE text field at `at`, up to its terminator, and whether the rest of
// its 520 bytes are zero.
std::u16string TextAt(const Bytes& bytes, std::size_t at, bool* zeroFilled) {
  std::u16string text;
  std::size_t i = 0;
  for (; i < kTextFieldUnits; ++i) {
    const char16_t unit = static_cast<char16_t>(bytes[at + 2 * i] | bytes[at + 2 * i + 1] << 8);
    if (unit == 0) break;
    text.push_back(unit);
  }
  *zeroFilled = true;
  for (std::size_t b = at + 2 * i; b < at + 2 * kTextFieldUnits; ++b) *zeroFilled &= bytes[b] == 0;
  return text;
}

FileItemHead MakeFileHead() {
  FileItemHead head;
  EXPECT_TRUE(SetTextField(head.item.folder, kFavoritesFolder));
  EXPECT_TRUE(SetTextField(head.item.name, kFileName));
  return head;
}

RegItemHead MakeRegHead() {
  RegItemHead head;
  head.item.root = 0x80000001;
  head.item.type = 1;
  EXPECT_TRUE(SetTextField(head.item.subkey, kIeSubkey));
  EXPECT_TRUE(SetTextField(head.item.valueName, kValueName));
  return head;
}

TEST(ArchiveLayout, PlainArchiveOfOneFileAndOneValue) {
  Bytes archive;
  Append(archive, EncodeArchiveHeader(MakeArchiveHeader(false, u"")));
  Append(archive, EncodeFileItemHead(MakeFileHead()));
  Append(archive, EncodeBlockHead({.last = 0, .size = 100}));
  archive.insert(archive.end(), 100, 0xAB);
  Append(archive, EncodeBlockHead({.last = 1, .size = 0}));
  Append(archive, EncodeRegItemHead(MakeRegHead()));
  Append(archive, EncodeBlockHead({.last = 0, .size = 40}));
  archive.insert(archive.end(), 40, 0xCD);
  Append(archive, EncodeBlockHead({.last = 1, .size = 0}));

  ASSERT_EQ(archive.size(), 2392u);
  EXPECT_EQ(Bytes(archive.begin(), archive.begin() + 9), Bytes({0x51, 0x56, 0x4C, 0x00, 0x01, 0, 0, 0, 0x00}));
  for (std::size_t i = 9; i < 116; ++i) EXPECT_EQ(archive[i], 0) << "header byte " << i;

  bool zeroFilled = false;
  EXPECT_EQ(Le32At(archive, 116), kFileItemKind);
  EXPECT_EQ(TextAt(archive, 120, &zeroFilled), kFavoritesFolder);
  EXPECT_TRUE(zeroFilled);
  EXPECT_EQ(TextAt(archive, 640, &zeroFilled), kFileName);
  EXPECT_TRUE(zeroFilled);
  EXPECT_EQ(Bytes(archive.begin() + 1160, archive.begin() + 1164), Bytes(4, 0));
  EXPECT_EQ(Bytes(archive.begin() + 1164, archive.begin() + 1172), Bytes({0, 0, 0, 0, 0x64, 0, 0, 0}));
  EXPECT_EQ(archive[1172], 0xAB);
  EXPECT_EQ(archive[1271], 0xAB);
  EXPECT_EQ(Bytes(archive.begin() + 1272, archive.begin() + 1280), Bytes({1, 0, 0, 0, 0, 0, 0, 0}));

  EXPECT_EQ(Le32At(archive, 1280), kRegItemKind);
  EXPECT_EQ(Bytes(archive.begin() + 1284, archive.begin() + 1292), Bytes({0x01, 0, 0, 0x80, 0x01, 0, 0, 0}));
  EXPECT_EQ(TextAt(archive, 1292, &zeroFilled), kIeSubkey);
  EXPECT_TRUE(zeroFilled);
  EXPECT_EQ(TextAt(archive, 1812, &zeroFilled), kValueName);
  EXPECT_TRUE(zeroFilled);
  EXPECT_EQ(Bytes(archive.begin() + 2332, archive.begin() + 2336), Bytes(4, 0));
  EXPECT_EQ(Bytes(archive.begin() + 2336, archive.begin() + 2344), Bytes({0, 0, 0, 0, 0x28, 0, 0, 0}));
  EXPECT_EQ(archive[2344], 0xCD);
  EXPECT_EQ(archive[2383], 0xCD);
  EXPECT_EQ(Bytes(archive.begin() + 2384, archive.end()), Bytes({1, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(ArchiveLayout, ProtectedHeaderHoldsTheVerifier) {
  const ArchiveHeaderBytes bytes = EncodeArchiveHeader(MakeArchiveHeader(true, u"password1"));
  EXPECT_EQ(bytes[8], 1);
  EXPECT_EQ(Bytes(bytes.begin() + 9, bytes.begin() + 17), Bytes({0x41, 0, 0, 0, 0x48, 0, 0, 0}));
  for (std::size_t i = 89; i < 112; ++i) EXPECT_EQ(bytes[i], 0) << i;
  EXPECT_EQ(Bytes(bytes.begin() + 112, bytes.end()), Bytes({0x50, 0, 0, 0}));
}

TEST(RecordCoding, DecodingGivesBackWhatWasEncoded) {
  FileItemHead file = MakeFileHead();
  file.compressed = 1;
  file.isProtected = 1;
  const FileItemHeadBytes fileBytes = EncodeFileItemHead(file);
  EXPECT_EQ(fileBytes[1044], 1);
  EXPECT_EQ(fileBytes[1045], 1);
  FileItemHead fileBack;
  ASSERT_TRUE(DecodeFileItemHeadBody(std::span(fileBytes).subspan(4), &fileBack));
  EXPECT_EQ(TextFieldValue(fileBack.item.folder), kFavoritesFolder);
  EXPECT_EQ(TextFieldValue(fileBack.item.name), kFileName);
  EXPECT_EQ(fileBack.compressed, 1);
  EXPECT_EQ(fileBack.isProtected, 1);
  EXPECT_FALSE(DecodeFileItemHeadBody(std::span(fileBytes), &fileBack));  // kind included: wrong length

  RegItemHead reg = MakeRegHead();
  reg.item.type = 0x12345678;
  reg.isProtected = 1;
  const RegItemHeadBytes regBytes = EncodeRegItemHead(reg);
  EXPECT_EQ(regBytes[1052], 0);
  EXPECT_EQ(regBytes[1053], 1);
  RegItemHead regBack;
  ASSERT_TRUE(DecodeRegItemHeadBody(std::span(regBytes).subspan(4), &regBack));
  EXPECT_EQ(regBack.item.root, 0x80000001u);
  EXPECT_EQ(regBack.item.type, 0x12345678u);
  EXPECT_EQ(TextFieldValue(regBack.item.subkey), kIeSubkey);
  EXPECT_EQ(TextFieldValue(regBack.item.valueName), kValueName);
  EXPECT_EQ(regBack.compressed, 0);
  EXPECT_EQ(regBack.isProtected, 1);
  EXPECT_FALSE(DecodeRegItemHeadBody(std::span(regBytes).subspan(4, 1051), &regBack));

  const BlockHead block = DecodeBlockHead(EncodeBlockHead({.last = 0, .size = 0xA1B2C3D4}));
  EXPECT_EQ(block.last, 0);
  EXPECT_EQ(block.size, 0xA1B2C3D4u);
  EXPECT_EQ(EncodeBlockHead({.last = 0, .size = 0xA1B2C3D4}),
            (BlockHeadBytes{0, 0, 0, 0, 0xD4, 0xC3, 0xB2, 0xA1}));

  const ArchiveHeader header = MakeArchiveHeader(true, u"password1");
  const ArchiveHeader headerBack = DecodeArchiveHeader(EncodeArchiveHeader(header));
  EXPECT_EQ(headerBack.magic, kArchiveMagic);
  EXPECT_EQ(headerBack.version, 1u);
  EXPECT_EQ(headerBack.isProtected, 1);
  EXPECT_EQ(headerBack.verifier, header.verifier);
  EXPECT_EQ(headerBack.verifierLength, 80u);
}

TEST(TextFields, HoldAtMost259UnitsAndNoNul) {
  TextField field{};
  const std::u16string longest(259, u'x');
  ASSERT_TRUE(SetTextField(field, longest));
  EXPECT_EQ(field[258], u'x');
  EXPECT_EQ(field[259], 0);
  EXPECT_EQ(TextFieldValue(field), longest);

  FileItemHead head;
  head.item.name = field;
  const FileItemHeadBytes bytes = EncodeFileItemHead(head);
  EXPECT_EQ(bytes[524 + 2 * 258], 'x');
  EXPECT_EQ(bytes[524 + 2 * 259], 0);

  EXPECT_FALSE(SetTextField(field, std::u16string(260, u'y')));
  EXPECT_FALSE(SetTextField(field, std::u16string(u"a\0b", 3)));
  EXPECT_EQ(TextFieldValue(field), longest);  // refused text leaves it as it was

  ASSERT_TRUE(SetTextField(field, u"short"));
  EXPECT_EQ(field[5], 0);
  EXPECT_EQ(field[258], 0);  // the old tail is cleared

  // A damaged archive may fill all 260 units; the value stops at the field's end.
  field.fill(u'z');
  EXPECT_EQ(TextFieldValue(field).size(), kTextFieldUnits);
}

TEST(HeaderChecks, RefuseForeignAndDamagedHeaders) {
  ArchiveHeader plain = MakeArchiveHeader(false, u"");
  EXPECT_EQ(CheckArchiveHeader(plain), HeaderCheck::kOk);

  ArchiveHeader noZero = plain;
  noZero.magic = {'Q', 'V', 'L', '!'};
  EXPECT_EQ(CheckArchiveHeader(noZero), HeaderCheck::kBadMagic);

  EXPECT_STREQ(HeaderCheckText(CheckArchiveHeader(noZero)), "bad magic number");

  ArchiveHeader version2 = plain;
  version2.version = 2;
  EXPECT_EQ(CheckArchiveHeader(version2), HeaderCheck::kBadVersion);

  const ArchiveHeader good = MakeArchiveHeader(true, u"password1");
  EXPECT_EQ(CheckArchiveHeader(good), HeaderCheck::kOk);
  for (std::uint32_t length : {200u, 104u, 40u, 71u, 0u}) {
    ArchiveHeader damaged = good;
    damaged.verifierLength = length;
    EXPECT_EQ(CheckArchiveHeader(damaged), HeaderCheck::kBadVerifierLength) << length;
    EXPECT_FALSE(CheckPassword(damaged, u"password1")) << length;
  }
  // Lengths that fit, but a stated plain length too short to hold the phrase.
  ArchiveHeader shortPlain = good;
  shortPlain.verifier[0] = 63;
  EXPECT_EQ(CheckArchiveHeader(shortPlain), HeaderCheck::kBadVerifierLength);
  EXPECT_FALSE(CheckPassword(shortPlain, u"password1"));

  // The widest verifier the field holds is accepted as far as lengths go.
  ArchiveHeader widest = good;
  widest.verifierLength = 103;
  EXPECT_EQ(CheckArchiveHeader(widest), HeaderCheck::kOk);
}

TEST(PasswordVerifier, OpensOnlyWithItsPassword) {
  const Bytes verifier = MakePasswordVerifier(u"password1");
  ASSERT_EQ(verifier.size(), kVerifierBlockSize);
  EXPECT_EQ(Bytes(verifier.begin(), verifier.begin() + 8), Bytes({0x41, 0, 0, 0, 0x48, 0, 0, 0}));
  EXPECT_EQ(verifier, MakePasswordVerifier(u"password1"));

  const ArchiveHeader header = MakeArchiveHeader(true, u"password1");
  EXPECT_TRUE(CheckPassword(header, u"password1"));
  EXPECT_FALSE(CheckPassword(header, u"password2"));
  EXPECT_FALSE(CheckPassword(header, u""));
  EXPECT_FALSE(CheckPassword(MakeArchiveHeader(false, u""), u""));
}

TEST(PasswordVerifier, ComparesOnlyThe64PhraseBytes) {
  // Another writer's verifier whose 65th plain byte is not the terminator.
  std::string plain(kPasswordCheckPhrase);
  plain.push_back('!');
  DESEncryptor encryptor(u"password1");
  encryptor.Process(reinterpret_cast<const std::uint8_t*>(plain.data()), static_cast<std::int32_t>(plain.size()));
  ArchiveHeader header = MakeArchiveHeader(true, u"password1");
  ASSERT_EQ(encryptor.OutputSize(), 80);
  std::memcpy(header.verifier.data(), encryptor.Output(), 80);
  EXPECT_TRUE(CheckPassword(header, u"password1"));

  // A change within the phrase is a different verifier.
  plain[63] = 'X';
  DESEncryptor other(u"password1");
  other.Process(reinterpret_cast<const std::uint8_t*>(plain.data()), static_cast<std::int32_t>(plain.size()));
  std::memcpy(header.verifier.data(), other.Output(), 80);
  EXPECT_FALSE(CheckPassword(header, u"password1"));
}

}  // namespace
}  // namespace qv
