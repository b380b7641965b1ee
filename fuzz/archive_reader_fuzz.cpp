// libFuzzer target: the archive reader over arbitrary records. The input is what
// follows the 116-byte header; a valid protected header is put in front so that
// every input reaches the record parser. The first input byte picks a dry run or a
// real restore into a scratch profile. Built by fuzz/CMakeLists.txt, never by the
// main build.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "platform/linux_platform.h"
#include "platform/platform.h"
#include "sources/restore_options.h"
#include "store/archive_reader.h"
#include "store/records.h"

namespace {

constexpr char16_t kPassword[] = u"fuzz password";

struct Scratch {
  Scratch() {
    // A memory file system keeps the reader's syncs cheap.
    const char* base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    std::string pattern = std::string(base) + "/quorvel-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    root = pattern;
    profile = root / "profile";
    std::filesystem::create_directories(profile / "Favorites");
    archive = root / "input.qvl";
    const qv::ArchiveHeaderBytes header = qv::EncodeArchiveHeader(qv::MakeArchiveHeader(true, kPassword));
    headerBytes.assign(reinterpret_cast<const char*>(header.data()), header.size());
  }
  ~Scratch() {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
  }
  std::filesystem::path root, profile, archive;
  std::string headerBytes;
  unsigned long runs = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Scratch scratch;
  if (size == 0) return 0;
  {
    std::ofstream out(scratch.archive, std::ios::binary | std::ios::trunc);
    out << scratch.headerBytes;
    out.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
  }
  // Restored files pile up; start from an empty profile now and then.
  if (++scratch.runs % 256 == 0) {
    std::error_code ignored;
    std::filesystem::remove_all(scratch.profile, ignored);
    std::filesystem::create_directories(scratch.profile / "Favorites", ignored);
  }
  qv::LinuxPlatformOptions options;
  options.strProfileDir = scratch.profile.string();
  options.strClassesHive = (scratch.root / "classes.dat").string();
  std::unique_ptr<qv::Platform> platform = qv::MakeLinuxPlatform(options);
  qv::ScopedPlatform installed(*platform);

  qv::RestoreOptions restoreOptions;
  restoreOptions.bDryRun = (data[0] & 1) != 0;
  qv::ArchiveReader reader(platform->ToWindowsPath(scratch.archive.string()), kPassword, restoreOptions);
  (void)reader.Run();  // the report is not the point; surviving the input is
  return 0;
}
