// libFuzzer target: the whole restore job over arbitrary records. The input is what
// follows the 116-byte header; the first input byte picks a dry run or a real
// restore, and a protected, a plain or a strongly protected header (with a fixed
// salt: fuzz/common/sealed_header.h), so that every input reaches the
// record parser, the restore operations and the hive commit. Afterwards nothing may
// exist outside Favorites and NTUSER.DAT, and the hive nothing outside the IE key.
// Built by fuzz/CMakeLists.txt.
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>

#include "fuzz/common/scratch_profile.h"
#include "fuzz/common/sealed_header.h"
#include "jobs/restore_job.h"
#include "store/records.h"

namespace {

constexpr char16_t kPassword[] = u"fuzz password";

std::string HeaderBytes(bool isProtected) {
  const qv::ArchiveHeaderBytes header = qv::EncodeArchiveHeader(qv::MakeArchiveHeader(isProtected, kPassword));
  return std::string(reinterpret_cast<const char*>(header.data()), header.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static qv::fuzz::ScratchProfile scratch("restore");
  static const std::string kProtectedHeader = HeaderBytes(true);
  static const std::string kPlainHeader = HeaderBytes(false);
  static const std::string kSealedHeader = qv::fuzz::SealedFuzzHeader();
  static unsigned long runs = 0;
  if (size == 0) return 0;
  {
    std::ofstream out(scratch.Archive(), std::ios::binary | std::ios::trunc);
    out << ((data[0] & 4) != 0 ? kSealedHeader : (data[0] & 2) != 0 ? kPlainHeader : kProtectedHeader);
    out.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
  }
  // Restored files pile up; start from an empty profile now and then.
  if (++runs % 256 == 0) scratch.Reset();
  const std::unique_ptr<qv::Platform> platform = scratch.MakePlatform();
  const qv::ScopedPlatform installed(*platform);

  qv::RestoreJobOptions options;
  options.strArchivePath = platform->ToWindowsPath(scratch.Archive().string());
  options.strPassword = kPassword;
  options.bDryRun = (data[0] & 1) != 0;
  (void)qv::RunRestore(options);  // the summary is not the point; surviving the input is
  scratch.CheckConfinement();
  scratch.CheckHiveConfinement();
  return 0;
}
