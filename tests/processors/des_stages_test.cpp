#include <gtest/gtest.h>

#include "processors/des_cryptors.h"
#include "tests/processors/stage_test_util.h"

namespace qv {
namespace {

using test::Bytes;
using test::RunStage;

const std::u16string kPassword = u"correct horse";

Bytes Encrypt(const Bytes& plain, const std::u16string& password = kPassword) {
  DESEncryptor stage(password);
  return RunStage(stage, plain);
}

Bytes Decrypt(const Bytes& block, const std::u16string& password = kPassword, bool* failed = nullptr) {
  DESDecryptor stage(password);
  Bytes out = RunStage(stage, block);
  if (failed) *failed = stage.Failed();
  return out;
}

Bytes Le32Pair(std::uint32_t n, std::uint32_t p) {
  Bytes head(8);
  for (int i = 0; i < 4; ++i) {
    head[i] = static_cast<std::uint8_t>(n >> (8 * i));
    head[4 + i] = static_cast<std::uint8_t>(p >> (8 * i));
  }
  return head;
}

TEST(DesEncryption, BlockLengthsFollowThePaddedSize) {
  struct Case {
    std::size_t plain, padded;
  };
  for (const Case c : {Case{0, 0}, Case{8, 8}, Case{9, 16}, Case{65, 72}}) {
    DESEncryptor stage(kPassword);
    const Bytes plain = test::RandomBytes(c.plain);
    EXPECT_EQ(stage.Process(plain.data(), static_cast<std::int32_t>(plain.size())),
              static_cast<std::int32_t>(c.padded));
    ASSERT_EQ(stage.OutputSize(), static_cast<std::int32_t>(c.padded + 8)) << c.plain;
    EXPECT_EQ(Bytes(stage.Output(), stage.Output() + 8), Le32Pair(c.plain, c.padded));
  }
  EXPECT_EQ(Encrypt({}), Bytes(8, 0));
  bool failed = true;
  EXPECT_TRUE(Decrypt(Bytes(8, 0), kPassword, &failed).empty());
  EXPECT_FALSE(failed);
}

TEST(DesEncryption, RoundTripsEveryLengthWithoutPadding) {
  for (std::size_t n = 0; n <= 70; ++n) {
    const Bytes plain = test::RandomBytes(n, static_cast<unsigned>(n) + 3);
    EXPECT_EQ(Decrypt(Encrypt(plain)), plain) << "n=" << n;
  }
  const Bytes big = test::TextLikeBytes(102400 + 3);
  EXPECT_EQ(Decrypt(Encrypt(big)), big);
}

TEST(DesEncryption, SamePasswordSameBytesOtherPasswordOtherBytes) {
  const Bytes plain = test::TextLikeBytes(100);
  EXPECT_EQ(Encrypt(plain), Encrypt(plain));
  EXPECT_NE(Encrypt(plain), Encrypt(plain, u"another one"));
  EXPECT_NE(Decrypt(Encrypt(plain), u"another one"), plain);
}

TEST(DesEncryption, ChainingValueRunsOnWithinOneStage) {
  const Bytes plain = test::TextLikeBytes(40);
  DESEncryptor encryptor(kPassword);
  const Bytes first = RunStage(encryptor, plain);
  const Bytes second = RunStage(encryptor, plain);
  EXPECT_NE(first, second);
  EXPECT_EQ(first, Encrypt(plain));  // the first call starts from the key

  // One decryptor fed the two blocks in order gives both plain texts back.
  DESDecryptor decryptor(kPassword);
  EXPECT_EQ(RunStage(decryptor, first), plain);
  EXPECT_EQ(RunStage(decryptor, second), plain);
}

TEST(DesEncryption, KeyComesFromTheNarrowPassword) {
  // MIT string-to-key of "secret", as libcrypto has always computed it.
  const std::array<std::uint8_t, 8> secret = {0x1a, 0x19, 0xc7, 0x75, 0x97, 0x61, 0xcd, 0x07};
  EXPECT_EQ(DESEncryptor(u"secret").Key(), secret);
  // Characters Windows-1252 cannot hold both narrow to '?'.
  EXPECT_EQ(DESEncryptor(u"pass\u4e2dword").Key(), DESEncryptor(u"pass\u65e5word").Key());
  EXPECT_EQ(DESEncryptor(u"pass\u4e2dword").Key(), DESEncryptor(u"pass?word").Key());
  // The password ends at its first zero character.
  EXPECT_EQ(DESEncryptor(std::u16string(u"secret\0tail", 11)).Key(), secret);
  // Characters the code page does hold are kept apart.
  EXPECT_NE(DESEncryptor(u"caf\u00e9").Key(), DESEncryptor(u"cafe").Key());
}

TEST(DesDecryption, CorruptBlocksGiveAnEmptyOutputWithoutOverreading) {
  const Bytes good = Encrypt(test::TextLikeBytes(20));  // lengths 20 and 24
  auto expectCorrupt = [](const Bytes& block, const char* what) {
    DESDecryptor stage(kPassword);
    stage.Process(nullptr, 0);
    EXPECT_TRUE(stage.Failed());
    EXPECT_TRUE(RunStage(stage, block).empty()) << what;
    EXPECT_TRUE(stage.Failed()) << what;
    EXPECT_EQ(stage.Process(block.data(), static_cast<std::int32_t>(block.size())), 0) << what;
  };
  for (std::size_t cut = 0; cut < 8; ++cut) {
    expectCorrupt(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut)), "shorter than its lengths");
  }
  expectCorrupt(Bytes(good.begin(), good.end() - 1), "padded length past the input");
  expectCorrupt(Bytes(good.begin(), good.end() - 8), "one cipher block missing");

  Bytes unaligned = good;
  unaligned[4] = 23;
  expectCorrupt(unaligned, "padded length not a multiple of 8");

  Bytes plainTooLong = good;
  plainTooLong[0] = 25;
  expectCorrupt(plainTooLong, "plain length over padded length");

  Bytes enormous = good;
  enormous[7] = 0xFF;
  expectCorrupt(enormous, "padded length of gigabytes");
}

TEST(DesDecryption, ExtraBytesAfterTheBlockAreIgnored) {
  const Bytes plain = test::TextLikeBytes(30);
  Bytes block = Encrypt(plain);
  block.insert(block.end(), 5, 0xAA);
  EXPECT_EQ(Decrypt(block), plain);
}

}  // namespace
}  // namespace qv
