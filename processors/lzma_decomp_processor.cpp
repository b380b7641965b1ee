#include <lzma.h>

#include <cstring>
#include <string>

#include "platform/coding.h"
#include "platform/shared/last_error.h"
#include "processors/compressed_block.h"
#include "processors/lzma_options.h"
#include "processors/lzma_processors.h"

namespace qv {
namespace {

// Upper bound on what liblzma may allocate for one block. The dictionary is cut
// to the block's stated size (below), so honest blocks need a few MiB at most.
constexpr std::uint64_t kDecoderMemoryLimit = 64u * 1024 * 1024;

struct LzmaStream {
  lzma_stream strm = LZMA_STREAM_INIT;
  ~LzmaStream() { lzma_end(&strm); }
};

// Decodes exactly `n` bytes into `out`. The end marker may follow the n-th byte
// or not; anything after that is never looked at.
bool DecodeLzmaData(const std::uint8_t* form, std::size_t formSize, std::uint64_t n, std::uint8_t* out) {
  const std::uint8_t filterId = form[0];
  lzma_options_lzma options{};
  // No match can reach further back than the bytes produced so far, so a stated
  // dictionary larger than the block only wastes memory: a damaged header could
  // otherwise ask for 4 GiB.
  std::uint32_t dictSize = DecodeFixed32(&form[2]);
  if (dictSize > n) dictSize = static_cast<std::uint32_t>(n);
  if (!LzmaOptionsFromHeader(form[1], dictSize, &options)) {
    SetLastErrorText("bad LZMA properties in compressed block");
    return false;
  }
  options.ext_flags = LZMA_LZMA1EXT_ALLOW_EOPM;
  options.ext_size_low = static_cast<std::uint32_t>(n);
  options.ext_size_high = static_cast<std::uint32_t>(n >> 32);

  lzma_options_bcj bcj{};  // start offset 0
  lzma_filter filters[3];
  std::size_t count = 0;
  if (filterId == kX86Filter) filters[count++] = {LZMA_FILTER_X86, &bcj};
  filters[count++] = {LZMA_FILTER_LZMA1EXT, &options};
  filters[count] = {LZMA_VLI_UNKNOWN, nullptr};

  // The raw decoder takes no memory limit of its own, so it is checked first.
  const std::uint64_t usage = lzma_raw_decoder_memusage(filters);
  if (usage == UINT64_MAX || usage > kDecoderMemoryLimit) {
    SetLastErrorText("compressed block needs too much memory to decode");
    return false;
  }

  LzmaStream stream;
  lzma_ret ret = lzma_raw_decoder(&stream.strm, filters);
  if (ret != LZMA_OK) {
    SetLastErrorText("compressed block: " + LzmaErrorText(ret));
    return false;
  }
  stream.strm.next_in = form + kLzmaFormHeaderSize;
  stream.strm.avail_in = formSize - kLzmaFormHeaderSize;
  stream.strm.next_out = out;
  stream.strm.avail_out = static_cast<std::size_t>(n);
  // lzma_code may stop early and ask to be called again; it reports no progress
  // left to make as anything other than LZMA_OK.
  do {
    ret = lzma_code(&stream.strm, LZMA_FINISH);
  } while (ret == LZMA_OK);
  if (ret != LZMA_STREAM_END || stream.strm.total_out != n) {
    SetLastErrorText("compressed block: " + LzmaErrorText(ret == LZMA_STREAM_END ? LZMA_BUF_ERROR : ret));
    return false;
  }
  return true;
}

}  // namespace

std::int32_t LZMADecompProcessor::Process(const std::uint8_t* input, std::int32_t length) {
  if (length < 0 || (length > 0 && !input)) return Fail();
  if (length == 0) {
    ResetOutput(0);
    return 0;
  }
  if (input[0] == kStoredForm) {
    if (static_cast<std::uint64_t>(length - 1) > kMaxDecodedBlockSize) {
      SetLastErrorText("stored block holds more than one piece of source data");
      return Fail();
    }
    std::uint8_t* out = ResetOutput(length - 1);
    if (length > 1) std::memcpy(out, input + 1, static_cast<std::size_t>(length - 1));
    return m_nOutputSize;
  }

  const std::uint8_t* form = input + kFilterOffset;
  const auto formSize = static_cast<std::size_t>(length) - kFilterOffset;
  if (formSize < kLzmaFormHeaderSize) {
    SetLastErrorText("truncated compressed block");
    return Fail();
  }
  if (form[0] > kX86Filter) {
    SetLastErrorText("unknown branch filter in compressed block");
    return Fail();
  }
  if (form[1] >= kLzmaPropertiesLimit) {
    SetLastErrorText("bad LZMA properties in compressed block");
    return Fail();
  }
  // Checked before the output is allocated: a damaged size must not cost 4 GiB.
  const std::uint64_t n = DecodeFixed64(form + (kPlainSizeOffset - kFilterOffset));
  if (n > kMaxDecodedBlockSize) {
    SetLastErrorText("compressed block states more than one piece of source data");
    return Fail();
  }

  std::uint8_t* out = ResetOutput(static_cast<std::int32_t>(n));
  if (!DecodeLzmaData(form, formSize, n, out)) return Fail();
  return m_nOutputSize;
}

}  // namespace qv
