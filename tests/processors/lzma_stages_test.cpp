#include <gtest/gtest.h>
#include <lzma.h>

#include "processors/compressed_block.h"
#include "processors/lzma_processors.h"
#include "tests/processors/stage_test_util.h"

namespace qv {
namespace {

using test::Bytes;
using test::RunStage;

Bytes Compress(const Bytes& input) {
  LZMACompProcessor stage;
  return RunStage(stage, input);
}

// Decodes with a fresh stage; `failed` receives the stage's failure flag.
Bytes Decompress(const Bytes& block, bool* failed = nullptr) {
  LZMADecompProcessor stage;
  Bytes out = RunStage(stage, block);
  if (failed) *failed = stage.Failed();
  return out;
}

void PutLe64(Bytes& block, std::size_t at, std::uint64_t value) {
  for (int i = 0; i < 8; ++i) block[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A block with filter byte 1, as another writer could make it: x86 BCJ, then LZMA1
// without end marker, behind our 15-byte head.
Bytes MakeBcjBlock(const Bytes& plain) {
  lzma_options_lzma lzma{};
  EXPECT_FALSE(lzma_lzma_preset(&lzma, 6));
  lzma.dict_size = kLzmaDictSize;
  lzma_options_bcj bcj{};
  const lzma_filter filters[] = {{LZMA_FILTER_X86, &bcj}, {LZMA_FILTER_LZMA1EXT, &lzma}, {LZMA_VLI_UNKNOWN, nullptr}};
  Bytes block(kLzmaDataOffset + plain.size() * 2 + 64);
  block[0] = kLzmaForm;
  block[1] = kX86Filter;
  block[2] = kLzmaProperties;
  for (int i = 0; i < 4; ++i) block[3 + i] = static_cast<std::uint8_t>(kLzmaDictSize >> (8 * i));
  PutLe64(block, kPlainSizeOffset, plain.size());
  std::size_t pos = kLzmaDataOffset;
  EXPECT_EQ(lzma_raw_buffer_encode(filters, nullptr, plain.data(), plain.size(), block.data(), &pos, block.size()),
            LZMA_OK);
  block.resize(pos);
  return block;
}

// Code full of relative CALLs, which the BCJ filter rewrites.
Bytes X86LikeCode(std::size_t calls) {
  Bytes code;
  for (std::size_t i = 0; i < calls; ++i) {
    const std::uint32_t target = static_cast<std::uint32_t>(0x1000 - 5 * i);
    code.insert(code.end(), {0x55, 0x89, 0xE5, 0xE8});
    for (int b = 0; b < 4; ++b) code.push_back(static_cast<std::uint8_t>(target >> (8 * b)));
    code.insert(code.end(), {0x5D, 0xC3});
  }
  return code;
}

TEST(LzmaCompression, SmallInputsUseTheStoredForm) {
  EXPECT_EQ(Compress({}), Bytes({0x00}));
  EXPECT_EQ(Compress(test::BytesOf("ABC")), Bytes({0x00, 0x41, 0x42, 0x43}));
  // Six bytes give a capacity of 12, less than the 14-byte LZMA head.
  EXPECT_EQ(Compress(test::BytesOf("ABCDEF"))[0], kStoredForm);

  bool failed = true;
  EXPECT_TRUE(Decompress({0x00}, &failed).empty());
  EXPECT_FALSE(failed);
  EXPECT_EQ(Decompress({0x00, 0x41, 0x42, 0x43}), test::BytesOf("ABC"));
  EXPECT_TRUE(Decompress({}, &failed).empty());
  EXPECT_FALSE(failed);
}

// The LZMA form's head as docs/format.md lays it out: form 1, no filter,
// properties 0x5D, a 2 MiB dictionary and the plain size.
TEST(LzmaCompression, ZerosGiveTheLzmaFormHeadAndRoundTrip) {
  const Bytes zeros(100, 0);
  LZMACompProcessor stage;
  const Bytes block = RunStage(stage, zeros);
  const Bytes head = {0x01, 0x00, 0x5D, 0x00, 0x00, 0x20, 0x00, 0x64, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  ASSERT_GT(block.size(), head.size());
  EXPECT_EQ(Bytes(block.begin(), block.begin() + 15), head);
  EXPECT_EQ(stage.Process(zeros.data(), 100), static_cast<std::int32_t>(block.size()));
  EXPECT_EQ(Decompress(block), zeros);
}

TEST(LzmaCompression, RandomDataKeepsTheLzmaFormWithinTwiceItsSize) {
  const Bytes random = test::RandomBytes(100);
  const Bytes block = Compress(random);
  EXPECT_EQ(block[0], kLzmaForm);
  EXPECT_GT(block.size(), 101u);  // longer than stored, kept all the same
  EXPECT_LE(block.size(), 201u);
  EXPECT_EQ(Decompress(block), random);
}

TEST(LzmaCompression, RoundTripsManySizesAndKinds) {
  for (std::size_t n : {7u, 8u, 15u, 64u, 1000u, 4096u, 102400u}) {
    for (const Bytes& input : {test::RandomBytes(n, static_cast<unsigned>(n)), test::TextLikeBytes(n)}) {
      bool failed = true;
      EXPECT_EQ(Decompress(Compress(input), &failed), input) << "n=" << n;
      EXPECT_FALSE(failed);
    }
  }
  // Text compresses well: the block is far below the input size.
  EXPECT_LT(Compress(test::TextLikeBytes(102400)).size(), 102400u / 4);
}

// Blocks are encoded with a dictionary cut to their size; every byte must still
// be what a full 2 MiB encoder writes, or archives would change.
TEST(LzmaCompression, ASmallerDictionaryWritesTheSameBytes) {
  const auto fullEncoder = [](const Bytes& input) {
    lzma_options_lzma options{};
    EXPECT_FALSE(lzma_lzma_preset(&options, 6));
    options.dict_size = kLzmaDictSize;
    options.nice_len = kLzmaNiceLength;
    options.mf = LZMA_MF_BT4;
    const lzma_filter filters[] = {{LZMA_FILTER_LZMA1EXT, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    Bytes out(2 * input.size() + 64);
    std::size_t size = 0;
    EXPECT_EQ(lzma_raw_buffer_encode(filters, nullptr, input.data(), input.size(), out.data(), &size, out.size()),
              LZMA_OK);
    out.resize(size);
    return out;
  };
  unsigned seed = 7;
  for (std::size_t n : {20u, 150u, 900u, 4095u, 4097u, 20000u, 70000u, 102400u}) {
    Bytes fewSymbols = test::RandomBytes(n, ++seed);
    for (auto& byte : fewSymbols) byte %= 4;
    for (const Bytes& input : {test::RandomBytes(n, ++seed), test::TextLikeBytes(n), fewSymbols, Bytes(n, 'a')}) {
      const Bytes block = Compress(input);
      if (block[0] != kLzmaForm) continue;  // stored: no encoder involved
      EXPECT_EQ(Bytes(block.begin() + kLzmaDataOffset, block.end()), fullEncoder(input)) << "n=" << n;
    }
  }
}

TEST(LzmaDecompression, AcceptsOtherFormBytesAndTrailingZeros) {
  const Bytes text = test::TextLikeBytes(5000);
  Bytes block = Compress(text);
  block[0] = 0x02;
  EXPECT_EQ(Decompress(block), text);
  for (int extra = 1; extra <= 7; ++extra) {
    block.push_back(0);
    bool failed = true;
    EXPECT_EQ(Decompress(block, &failed), text) << extra << " trailing zeros";
    EXPECT_FALSE(failed);
  }
}

TEST(LzmaDecompression, RefusesMalformedHeads) {
  const Bytes good = Compress(test::TextLikeBytes(300));
  auto expectFailure = [](const Bytes& block, const char* what) {
    LZMADecompProcessor stage;
    EXPECT_TRUE(RunStage(stage, block).empty()) << what;
    EXPECT_TRUE(stage.Failed()) << what;
    EXPECT_EQ(stage.Process(block.data(), static_cast<std::int32_t>(block.size())), 0) << what;
  };

  Bytes filter2 = good;
  filter2[kFilterOffset] = 2;
  expectFailure(filter2, "filter byte 2");

  Bytes props = good;
  props[kPropertiesOffset] = 0xE1;
  expectFailure(props, "properties 225");

  // lc 4 and lp 1 split correctly but are more context bits than LZMA1 allows.
  Bytes contextBits = good;
  contextBits[kPropertiesOffset] = 4 + 9 * 1;
  expectFailure(contextBits, "lc + lp over 4");

  for (std::size_t cut = 2; cut < 15; ++cut) {
    expectFailure(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut)), "under 14 bytes of LZMA form");
  }

  Bytes huge = good;
  PutLe64(huge, kPlainSizeOffset, std::uint64_t{1} << 32);
  expectFailure(huge, "size of 2^32");
}

TEST(LzmaDecompression, RefusesDamagedData) {
  const Bytes text = test::TextLikeBytes(3000);
  const Bytes good = Compress(text);

  Bytes truncated(good.begin(), good.end() - 4);
  bool failed = false;
  EXPECT_TRUE(Decompress(truncated, &failed).empty());
  EXPECT_TRUE(failed);

  // Claims one byte more than the data holds: the input runs out first.
  Bytes longer = good;
  PutLe64(longer, kPlainSizeOffset, text.size() + 1);
  EXPECT_TRUE(Decompress(longer, &failed).empty());
  EXPECT_TRUE(failed);

  // A tiny dictionary against data that reaches further back must not crash.
  Bytes smallDict = good;
  for (int i = 0; i < 4; ++i) smallDict[3 + i] = 0;
  (void)Decompress(smallDict, &failed);
}

TEST(LzmaDecompression, OversizedStatedSizeFailsBeforeAllocating) {
  // Allocating (and zeroing) these sizes first would take gigabytes; refusing them
  // up front is what keeps this test fast.
  for (std::uint64_t size : {kMaxDecodedBlockSize + 1, std::uint64_t{0xFFFFFFFF}}) {
    Bytes block = Compress(test::TextLikeBytes(300));
    PutLe64(block, kPlainSizeOffset, size);
    bool failed = false;
    EXPECT_TRUE(Decompress(block, &failed).empty()) << size;
    EXPECT_TRUE(failed) << size;
  }
}

TEST(LzmaDecompression, HugeStatedDictionaryIsNotAllocated) {
  const Bytes text = test::TextLikeBytes(2000);
  Bytes block = Compress(text);
  for (int i = 0; i < 4; ++i) block[3 + i] = 0xFF;  // 4 GiB dictionary
  EXPECT_EQ(Decompress(block), text);
}

TEST(LzmaDecompression, FailureFlagFollowsTheLastBlock) {
  LZMADecompProcessor stage;
  Bytes bad = Compress(test::TextLikeBytes(300));
  bad[kFilterOffset] = 9;
  stage.Process(bad.data(), static_cast<std::int32_t>(bad.size()));
  EXPECT_TRUE(stage.Failed());
  const Bytes good = Compress(test::TextLikeBytes(300));
  EXPECT_EQ(stage.Process(good.data(), static_cast<std::int32_t>(good.size())), 300);
  EXPECT_FALSE(stage.Failed());
}

TEST(LzmaDecompression, X86FilterBlocksDecodeToTheOriginal) {
  const Bytes code = X86LikeCode(400);
  Bytes block = MakeBcjBlock(code);
  bool failed = true;
  EXPECT_EQ(Decompress(block, &failed), code);
  EXPECT_FALSE(failed);

  // Proves the filter is really run: read as unfiltered, the bytes differ.
  block[kFilterOffset] = kNoFilter;
  const Bytes unfiltered = Decompress(block);
  EXPECT_EQ(unfiltered.size(), code.size());
  EXPECT_NE(unfiltered, code);
}

}  // namespace
}  // namespace qv
