#include "platform/linux/registry/hive/hive_header.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/coding.h"
#include "platform/linux/files/unique_fd.h"
#include "platform/linux/registry/hive/hive_file.h"
#include "platform/linux/registry/hive/hive_layout.h"

namespace qv {

std::uint32_t HiveHeaderChecksum(const std::uint8_t* baseBlock) {
  std::uint32_t sum = 0;
  for (std::size_t offset = 0; offset < kHiveChecksumOffset; offset += 4) {
    sum ^= DecodeFixed32(baseBlock + offset);
  }
  if (sum == 0xFFFFFFFFu) return 0xFFFFFFFEu;
  if (sum == 0) return 1;
  return sum;
}

Status ReadHiveHeader(const std::string& path, HiveHeader* header) {
  // A FIFO put in the hive's place since its kind was last looked at would hold a
  // plain open until some writer came: the kind of what was opened is checked again.
  const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (!fd.Valid()) return Status::Error("cannot read " + path + ": " + std::strerror(errno));
  struct stat info {};
  if (::fstat(fd.Get(), &info) != 0) return Status::Error("cannot read " + path + ": " + std::strerror(errno));
  if (std::string problem = HiveFileKindProblem(path, info.st_mode); !problem.empty()) {
    return Status::Error(problem);
  }
  std::uint8_t block[kHiveChecksumOffset + 4] = {};
  std::size_t got = 0;
  while (got < sizeof block) {
    const ssize_t count = ::read(fd.Get(), block + got, sizeof block - got);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return Status::Error("cannot read " + path + ": " + std::strerror(errno));
    if (count == 0) break;
    got += static_cast<std::size_t>(count);
  }
  if (got != sizeof block || std::memcmp(block, kHiveSignature.data(), kHiveSignature.size()) != 0) {
    return Status::Error(path + " is not a registry hive (no regf base block)");
  }
  header->primarySequence = DecodeFixed32(block + kHivePrimarySequenceOffset);
  header->secondarySequence = DecodeFixed32(block + kHiveSecondarySequenceOffset);
  header->majorVersion = DecodeFixed32(block + kHiveMajorVersionOffset);
  header->minorVersion = DecodeFixed32(block + kHiveMinorVersionOffset);
  header->fileType = DecodeFixed32(block + kHiveFileTypeOffset);
  header->fileFormat = DecodeFixed32(block + kHiveFileFormatOffset);
  return Status::Ok();
}

Status CheckHeaderWritable(const std::string& path, const HiveHeader& header) {
  if (header.primarySequence != header.secondarySequence) {
    return Status::Error(path + " is dirty: its sequence numbers differ (" +
                         std::to_string(header.primarySequence) + " and " +
                         std::to_string(header.secondarySequence) +
                         "), so Windows has changes for it in its .LOG files that are not "
                         "in the file yet; load the profile in Windows once to replay them, "
                         "then try again");
  }
  if (header.majorVersion != kHiveMajorVersion ||
      header.minorVersion < kOldestWritableMinorVersion ||
      header.minorVersion > kNewestWritableMinorVersion) {
    return Status::Error(path + " has hive format version " +
                         std::to_string(header.majorVersion) + "." +
                         std::to_string(header.minorVersion) +
                         ", which is not written here (" + std::to_string(kHiveMajorVersion) +
                         "." + std::to_string(kOldestWritableMinorVersion) + " to " +
                         std::to_string(kHiveMajorVersion) + "." +
                         std::to_string(kNewestWritableMinorVersion) + " are)");
  }
  if (header.fileType != kHivePrimaryFile || header.fileFormat != kHiveDirectMemoryLoad) {
    return Status::Error(path + " is not a primary hive file (type " +
                         std::to_string(header.fileType) + ", format " +
                         std::to_string(header.fileFormat) + ")");
  }
  return Status::Ok();
}

}  // namespace qv
