// libFuzzer target: the decoding stages over arbitrary blocks, each alone and
// chained as the archive reader chains them (decryption, then decompression). The
// first byte picks which. Built by fuzz/CMakeLists.txt.
#include <cstdint>
#include <memory>

#include "processors/des_cryptors.h"
#include "processors/lzma_processors.h"
#include "store/data_buffer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  qv::DataBuffer block(data + 1, size - 1);
  const bool decrypt = (data[0] & 1) != 0;
  const bool decompress = (data[0] & 2) != 0 || !decrypt;
  if (decrypt) block.AddStage(std::make_unique<qv::DESDecryptor>(u"fuzz password"));
  if (decompress) block.AddStage(std::make_unique<qv::LZMADecompProcessor>());
  if (block.Run() && block.Size() > 102400) __builtin_trap();  // no block decodes to more than one piece
  return 0;
}
