#include "processors/lzma_options.h"

#include "processors/compressed_block.h"

namespace qv {

bool LzmaOptionsFromHeader(std::uint8_t properties, std::uint32_t dictSize,
                           lzma_options_lzma* options) {
  if (properties >= kLzmaPropertiesLimit) return false;
  // Start from a preset so that the fields the decoder ignores hold sane values.
  if (lzma_lzma_preset(options, LZMA_PRESET_DEFAULT)) return false;
  options->lc = properties % 9;
  options->lp = (properties / 9) % 5;
  options->pb = properties / 45;
  options->dict_size = dictSize < LZMA_DICT_SIZE_MIN ? LZMA_DICT_SIZE_MIN : dictSize;
  return options->lc + options->lp <= LZMA_LCLP_MAX;
}

lzma_options_lzma LzmaEncoderOptions() {
  lzma_options_lzma options{};
  // Preset 6 is the normal (optimising) mode with BT4 and nice length 64; the
  // rest is set explicitly so a change of liblzma's presets cannot move it.
  (void)lzma_lzma_preset(&options, 6);  // cannot fail for a level in 0..9
  options.dict_size = kLzmaDictSize;
  options.lc = 3;
  options.lp = 0;
  options.pb = 2;
  options.mode = LZMA_MODE_NORMAL;
  options.nice_len = kLzmaNiceLength;
  options.mf = LZMA_MF_BT4;
  options.depth = 0;
  options.ext_flags = 0;  // no end marker: the block header states the size
  return options;
}

std::uint32_t EncoderDictionaryFor(std::size_t n) {
  std::uint32_t dict = 4096;
  while (dict < n && dict < kLzmaDictSize) dict *= 2;
  return dict;
}

std::string LzmaErrorText(lzma_ret ret) {
  switch (ret) {
    case LZMA_OK: return "ok";
    case LZMA_STREAM_END: return "end of stream";
    case LZMA_MEM_ERROR: return "out of memory";
    case LZMA_MEMLIMIT_ERROR: return "memory limit exceeded";
    case LZMA_OPTIONS_ERROR: return "unsupported LZMA options";
    case LZMA_DATA_ERROR: return "corrupted LZMA data";
    case LZMA_BUF_ERROR: return "truncated LZMA data";
    case LZMA_PROG_ERROR: return "liblzma usage error";
    default: return "liblzma error " + std::to_string(static_cast<int>(ret));
  }
}

}  // namespace qv
