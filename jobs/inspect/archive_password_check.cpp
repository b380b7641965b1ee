#include "jobs/inspect/archive_password_check.h"

namespace qv {

ArchiveCheck CheckArchiveAndPassword(std::u16string_view archivePath, const std::u16string* password) {
  ArchiveCheck check = CheckArchive(archivePath);
  if (check.result != ArchiveCheckResult::kOk || password == nullptr || check.header.isProtected == 0) return check;
  check.result = CheckArchivePassword(check.header, *password);
  if (check.result != ArchiveCheckResult::kOk) check.strDetail = "the password does not open the verifier";
  return check;
}

ScanOptions DecodingScanOptions(const ArchiveCheck& check, const std::u16string& password, bool salvage,
                                WindowHandle window, const std::atomic<bool>* stopFlag) {
  ScanOptions scan;
  scan.bSalvage = salvage;
  scan.bHasPassword = check.header.isProtected != 0;
  scan.strPassword = password;
  scan.hNotifyWindow = window;
  scan.pStopFlag = stopFlag;
  return scan;
}

}  // namespace qv
