// libFuzzer target: the checks a restore makes of an archive's first 116 bytes,
// and the password check against its verifier. Built by fuzz/CMakeLists.txt.
#include <cstdint>
#include <cstring>

#include "store/records.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qv::ArchiveHeaderBytes bytes{};
  std::memcpy(bytes.data(), data, size < bytes.size() ? size : bytes.size());
  const qv::ArchiveHeader header = qv::DecodeArchiveHeader(bytes);
  if (qv::CheckArchiveHeader(header) != qv::HeaderCheck::kOk) return 0;
  // The right password of our seeds, a wrong one, and the empty one.
  for (const char16_t* password : {u"fuzz password", u"not it", u""}) (void)qv::CheckPassword(header, password);
  return 0;
}
