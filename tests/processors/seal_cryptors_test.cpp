// The sealed form's key and seals against OpenSSL's command line, which shares no
// code path with ours: scrypt through `openssl kdf`, ChaCha20 through `openssl enc`
// and the Poly1305 tag through `openssl mac`, built as docs/format.md says.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/coding.h"
#include "processors/seal_cryptors.h"
#include "tests/support/run_tool.h"

namespace qv::test {
namespace {

std::string Str(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }
std::string Str(const std::uint8_t* data, std::size_t size) { return std::string(data, data + size); }

std::string FromHex(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i + 1 < text.size();) {
    if (!std::isxdigit(static_cast<unsigned char>(text[i]))) {
      ++i;
      continue;
    }
    out.push_back(static_cast<char>(std::stoi(text.substr(i, 2), nullptr, 16)));
    i += 2;
  }
  return out;
}

std::string PadTo16(std::string bytes) {
  bytes.resize((bytes.size() + 15) / 16 * 16, '\0');
  return bytes;
}

std::string Le64(std::uint64_t value) {
  std::uint8_t bytes[8];
  EncodeFixed64(bytes, value);
  return Str(bytes, 8);
}

TEST(SealCryptors, KeyAndSealMatchOpenSslsCommandLine) {
  if (!ToolAvailable("openssl")) GTEST_SKIP() << "openssl is not installed";
  // A password that Windows-1252 cannot hold: the key takes its UTF-8 bytes.
  const std::u16string password = u"gr\u00fc\u00dfe \u4e2d\u6587 \U0001F600";
  const std::string utf8 = "gr\xc3\xbc\xc3\x9f" "e \xe4\xb8\xad\xe6\x96\x87 \xf0\x9f\x98\x80";
  const std::vector<std::uint8_t> salt(kSealSaltSize, 0x5A);
  const ScryptCost cost{10, 8, 2};
  SealKey key;
  ASSERT_TRUE(DeriveSealKey(password, salt, cost, &key));
  const ToolResult kdf = RunTool("openssl kdf -binary -keylen 32 -kdfopt hexpass:" + HexString(utf8) +
                                 " -kdfopt hexsalt:" + HexString(Str(salt)) + " -kdfopt n:1024 -kdfopt r:8 -kdfopt p:2 SCRYPT");
  ASSERT_EQ(kdf.exitCode, 0);
  const std::string keyBytes = Str(key.Data(), kSealKeySize);
  EXPECT_EQ(HexString(kdf.output), HexString(keyBytes));

  const SealPlace place{0x0102030405060708ull, 7, SealRole::kBlock};
  for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{64}, std::size_t{1000}}) {
    SCOPED_TRACE(size);
    std::string plain(size, '\0');
    for (std::size_t i = 0; i < size; ++i) plain[i] = static_cast<char>(i * 7 + 1);
    std::vector<std::uint8_t> sealed;
    ASSERT_TRUE(SealPiece(key, place, std::vector<std::uint8_t>(plain.begin(), plain.end()), &sealed));
    ASSERT_EQ(sealed.size(), size + kSealTagSize);

    std::uint8_t nonce[12];
    EncodeFixed64(nonce, place.nPosition);
    EncodeFixed32(nonce + 8, place.nIndex);
    const std::string nonceHex = HexString(Str(nonce, 12));
    const std::string cipher = sealed.empty() ? "" : Str(sealed).substr(0, size);
    const std::string enc = "openssl enc -chacha20 -K " + HexString(keyBytes) + " -iv ";
    if (size > 0) {
      const ToolResult stream = RunTool(enc + "01000000" + nonceHex, plain);
      ASSERT_EQ(stream.exitCode, 0);
      EXPECT_EQ(HexString(stream.output), HexString(cipher));
    }
    const ToolResult polyKey = RunTool(enc + "00000000" + nonceHex, std::string(32, '\0'));
    ASSERT_EQ(polyKey.exitCode, 0);
    std::uint8_t ad[16];
    EncodeFixed64(ad, place.nPosition);
    EncodeFixed32(ad + 8, place.nIndex);
    EncodeFixed32(ad + 12, static_cast<std::uint32_t>(place.role));
    const std::string macInput = PadTo16(Str(ad, 16)) + PadTo16(cipher) + Le64(16) + Le64(size);
    const ToolResult mac = RunTool("openssl mac -macopt hexkey:" + HexString(polyKey.output) + " POLY1305", macInput);
    ASSERT_EQ(mac.exitCode, 0);
    EXPECT_EQ(HexString(FromHex(mac.output)), HexString(Str(sealed).substr(size)));
  }
}

TEST(SealCryptors, CostsBeyondTheBoundsAreRefusedBeforeAnyWork) {
  const std::vector<std::uint8_t> salt(kSealSaltSize, 0);
  SealKey key;
  for (const ScryptCost cost : {ScryptCost{9, 8, 1}, ScryptCost{21, 8, 1}, ScryptCost{19, 8, 1}, ScryptCost{16, 8, 1}, ScryptCost{15, 33, 1},
                                ScryptCost{15, 0, 1}, ScryptCost{15, 8, 5}, ScryptCost{15, 8, 0}, ScryptCost{16, 1, 1}}) {
    SCOPED_TRACE(testing::Message() << int(cost.nLog2N) << " " << cost.nR << " " << cost.nP);
    EXPECT_FALSE(ScryptCostAccepted(cost));
    EXPECT_FALSE(DeriveSealKey(u"password", salt, cost, &key));
  }
  EXPECT_TRUE(ScryptCostAccepted(kDefaultScryptCost));
  EXPECT_TRUE(ScryptCostAccepted(ScryptCost{15, 8, 4}));
  EXPECT_TRUE(ScryptCostAccepted(ScryptCost{15, 1, 1}));
}

}  // namespace
}  // namespace qv::test
