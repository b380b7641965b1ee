// libFuzzer target: the archive scanner, with decoding and, as the first input
// byte picks, with salvage, over arbitrary records after a valid protected header
// or (second bit) a strongly protected one (fuzz/common/sealed_header.h).
// Salvage seeks and searches the file, so it must survive any bytes too. Built by
// fuzz/CMakeLists.txt; ctest replays its seeds.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "fuzz/common/sealed_header.h"
#include "platform/linux/linux_platform.h"
#include "platform/platform.h"
#include "store/records.h"
#include "store/scan/archive_scanner.h"

namespace {

constexpr char16_t kPassword[] = u"fuzz password";

class DecodingVisitor : public qv::ScanVisitor {
 public:
  bool OnRecordHead(const qv::ScannedRecord&) override { return true; }
  void OnRecordData(const std::uint8_t*, std::uint32_t size) override { m_nBytes += size; }
  void OnRecordEnd(const qv::ScannedRecord&) override {}

 private:
  std::uint64_t m_nBytes = 0;
};

struct Scratch {
  Scratch() {
    const char* base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    std::string pattern = std::string(base) + "/quorvel-scan-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    root = pattern;
    archive = root / "input.qvl";
    const qv::ArchiveHeaderBytes header = qv::EncodeArchiveHeader(qv::MakeArchiveHeader(true, kPassword));
    headerBytes.assign(reinterpret_cast<const char*>(header.data()), header.size());
    sealedHeaderBytes = qv::fuzz::SealedFuzzHeader();
    qv::LinuxPlatformOptions options;
    options.strProfileDir = (root / "profile").string();
    options.strClassesHive = (root / "classes.dat").string();
    platform = qv::MakeLinuxPlatform(options);
    installed = std::make_unique<qv::ScopedPlatform>(*platform);
  }
  ~Scratch() {
    installed.reset();
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
  }
  std::filesystem::path root, archive;
  std::string headerBytes;
  std::string sealedHeaderBytes;
  std::unique_ptr<qv::Platform> platform;
  std::unique_ptr<qv::ScopedPlatform> installed;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Scratch scratch;
  if (size == 0) return 0;
  {
    std::ofstream out(scratch.archive, std::ios::binary | std::ios::trunc);
    out << ((data[0] & 2) != 0 ? scratch.sealedHeaderBytes : scratch.headerBytes);
    out.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
  }
  qv::ScanOptions options;
  options.bSalvage = (data[0] & 1) != 0;
  options.bHasPassword = true;
  options.strPassword = kPassword;
  qv::ArchiveScanner scanner(scratch.platform->ToWindowsPath(scratch.archive.string()), options);
  DecodingVisitor visitor;
  (void)scanner.Run(visitor);  // the report is not the point; surviving the input is
  return 0;
}
