#include <lzma.h>

#include <cstring>
#include <limits>
#include <vector>

#include "platform/coding.h"
#include "processors/compressed_block.h"
#include "processors/lzma_allocator.h"
#include "processors/lzma_options.h"
#include "processors/lzma_processors.h"

namespace qv {
namespace {

// Encodes `n` bytes as the LZMA form (filter byte onwards) into `form`, whose size
// is the hard capacity. Returns the form's length, or 0 when it does not fit or
// the encoder fails: either way the caller falls back to the stored form.
std::size_t EncodeLzmaForm(const std::uint8_t* input, std::size_t n, std::vector<std::uint8_t>& form) {
  if (form.size() <= kLzmaFormHeaderSize) return 0;

  form[0] = kNoFilter;
  form[1] = kLzmaProperties;
  EncodeFixed32(&form[2], kLzmaDictSize);
  EncodeFixed64(&form[6], n);

  // LZMA1EXT without its end-marker flag: a fresh encoder per block, so every block
  // decodes alone, and no end marker, since the header above states the size.
  lzma_options_lzma options = LzmaEncoderOptions();
  options.dict_size = EncoderDictionaryFor(n);
  const lzma_filter filters[] = {
      {LZMA_FILTER_LZMA1EXT, &options},
      {LZMA_VLI_UNKNOWN, nullptr},
  };
  std::size_t written = kLzmaFormHeaderSize;
  const lzma_ret ret =
      lzma_raw_buffer_encode(filters, ReusingLzmaAllocator(), input, n, form.data(), &written, form.size());
  return ret == LZMA_OK ? written : 0;
}

}  // namespace

std::int32_t LZMACompProcessor::Process(const std::uint8_t* input, std::int32_t length) {
  // The stored form needs length + 1 bytes, which must still be an int32.
  if (length < 0 || length == std::numeric_limits<std::int32_t>::max() || (length > 0 && !input)) {
    return Fail();
  }
  const auto n = static_cast<std::size_t>(length);

  // The LZMA form is kept whenever it fits in twice the input, even when the stored
  // form would be shorter: archives written so far look that way.
  std::vector<std::uint8_t> form(2 * n);
  const std::size_t formSize = EncodeLzmaForm(input, n, form);
  if (formSize > 0 && formSize < static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    std::uint8_t* out = ResetOutput(static_cast<std::int32_t>(formSize + 1));
    out[0] = kLzmaForm;
    std::memcpy(out + 1, form.data(), formSize);
    return m_nOutputSize;
  }

  std::uint8_t* out = ResetOutput(length + 1);
  out[0] = kStoredForm;
  if (n > 0) std::memcpy(out + 1, input, n);
  return m_nOutputSize;
}

}  // namespace qv
