// Our blocks checked against independent implementations: xz for LZMA1, the
// openssl command for DES-CBC.
#include <gtest/gtest.h>

#include "processors/compressed_block.h"
#include "processors/des_cryptors.h"
#include "processors/lzma_processors.h"
#include "tests/processors/stage_test_util.h"
#include "tests/support/run_tool.h"

namespace qv {
namespace {

using test::Bytes;

std::string AsString(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }
Bytes AsBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

TEST(LzmaInterop, XzDecodesOurBlocks) {
  if (!test::ToolAvailable("xz")) GTEST_SKIP() << "xz not installed";
  for (const Bytes& input : {test::TextLikeBytes(102400), test::RandomBytes(5000), Bytes(100, 0)}) {
    LZMACompProcessor stage;
    const Bytes block = test::RunStage(stage, input);
    ASSERT_EQ(block[0], kLzmaForm);
    const Bytes alone(block.begin() + kPropertiesOffset, block.end());
    const test::ToolResult result = test::RunTool("xz --format=lzma -dc", AsString(alone));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(AsBytes(result.output), input);
  }
}

TEST(LzmaInterop, WeDecodeXzOutputWithItsEndMarker) {
  if (!test::ToolAvailable("xz")) GTEST_SKIP() << "xz not installed";
  const Bytes input = test::TextLikeBytes(50000);
  const test::ToolResult result = test::RunTool(
      "xz --format=lzma --lzma1=preset=6,dict=2MiB,lc=3,lp=0,pb=2,nice=64,mf=bt4 -c", AsString(input));
  ASSERT_EQ(result.exitCode, 0);
  const Bytes alone = AsBytes(result.output);
  ASSERT_GT(alone.size(), 13u);

  // xz writes "size unknown" and ends with a marker; a block always states its size.
  Bytes block = {kLzmaForm, kNoFilter};
  block.insert(block.end(), alone.begin(), alone.begin() + 5);
  for (int i = 0; i < 8; ++i) block.push_back(static_cast<std::uint8_t>(std::uint64_t{input.size()} >> (8 * i)));
  block.insert(block.end(), alone.begin() + 13, alone.end());

  LZMADecompProcessor stage;
  EXPECT_EQ(test::RunStage(stage, block), input);
  EXPECT_FALSE(stage.Failed());
}

TEST(DesInterop, CipherTextMatchesOpenssl) {
  if (!test::ToolAvailable("openssl")) GTEST_SKIP() << "openssl not installed";
  for (std::size_t n : {1u, 8u, 65u, 1000u}) {
    const Bytes plain = test::TextLikeBytes(n);
    DESEncryptor stage(u"interop password");
    const Bytes block = test::RunStage(stage, plain);

    Bytes padded = plain;
    padded.resize(block.size() - 8, 0);
    const auto& key = stage.Key();
    const std::string keyHex = test::HexString(std::string(key.begin(), key.end()));
    const test::ToolResult result = test::RunTool(
        "openssl enc -des-cbc -provider legacy -provider default -nopad -K " + keyHex + " -iv " + keyHex,
        AsString(padded));
    if (result.exitCode != 0) GTEST_SKIP() << "openssl has no legacy DES provider";
    EXPECT_EQ(AsBytes(result.output), Bytes(block.begin() + 8, block.end())) << "n=" << n;
  }
}

}  // namespace
}  // namespace qv
