#include "jobs/archive_check.h"

#include "jobs/counted.h"
#include "platform/platform.h"
#include "platform/unique_handles.h"

namespace qv {

std::string_view ArchiveCheckMessage(ArchiveCheckResult result) {
  switch (result) {
    case ArchiveCheckResult::kOk:
      return {};
    case ArchiveCheckResult::kCannotOpen:
      return "Failed to open the source file, please make sure your filename has entered correct!\n";
    case ArchiveCheckResult::kIncorrect:
      return "The archive is incorrect! Please make sure the file is an archive and try again!";
    case ArchiveCheckResult::kWrongPassword:
      return "Wrong password! Please check it again!";
  }
  return {};
}

ArchiveCheck CheckArchive(std::u16string_view archivePath) {
  ArchiveCheck check;
  // OPEN_EXISTING: a mistyped path must not leave an empty file behind.
  UniqueFile file(Os().CreateFileW(archivePath, kGenericRead, kFileShareNone, kOpenExisting));
  if (!file.Valid()) {
    check.result = ArchiveCheckResult::kCannotOpen;
    check.strDetail = Os().LastErrorText();
    return check;
  }
  ArchiveHeaderBytes bytes{};
  std::uint32_t done = 0;
  bool readFailed = false;
  while (done < bytes.size()) {
    std::uint32_t got = 0;
    if (!Os().ReadFile(file.Get(), bytes.data() + done, static_cast<std::uint32_t>(bytes.size()) - done, &got)) {
      readFailed = true;
      break;
    }
    if (got == 0) break;
    done += got;
  }
  const std::string readError = readFailed ? Os().LastErrorText() : std::string();
  (void)file.Close();  // opened for reading: nothing to lose
  check.result = ArchiveCheckResult::kIncorrect;
  if (done < bytes.size()) {
    check.strDetail = readFailed ? "cannot read the header: " + readError
                                 : "the file holds " + Counted(done, "byte") + ", fewer than a header";
    return check;
  }
  check.header = DecodeArchiveHeader(bytes);
  switch (CheckArchiveHeader(check.header)) {
    case HeaderCheck::kOk:
      check.result = ArchiveCheckResult::kOk;
      break;
    case HeaderCheck::kBadMagic:
      check.strDetail = "bad magic number";
      break;
    case HeaderCheck::kBadVersion:
      check.strDetail = "unsupported version " + std::to_string(check.header.version);
      break;
    case HeaderCheck::kBadVerifierLength:
      check.strDetail = "bad password verifier length " + std::to_string(check.header.verifierLength);
      break;
    case HeaderCheck::kBadSealParameters:
      check.strDetail = "unsupported protection parameters";
      break;
  }
  return check;
}

ArchiveCheckResult CheckArchivePassword(const ArchiveHeader& header, const std::u16string& password) {
  if (CheckArchiveHeader(header) != HeaderCheck::kOk) return ArchiveCheckResult::kIncorrect;
  if (header.isProtected == 0) return ArchiveCheckResult::kOk;
  return CheckPassword(header, password) ? ArchiveCheckResult::kOk : ArchiveCheckResult::kWrongPassword;
}

}  // namespace qv
