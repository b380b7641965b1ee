#include "app/dialogs/backup_checks.h"

#include <algorithm>

#include "app/resources/resource_ids.h"
#include "jobs/backup_job.h"

namespace qv::app {
namespace {

// Unicode's white space, as the Qt window's trimming has always taken it.
bool IsSpace(char16_t unit) {
  return (unit >= 0x09 && unit <= 0x0d) || unit == 0x20 || unit == 0x85 || unit == 0xa0 || unit == 0x1680 ||
         (unit >= 0x2000 && unit <= 0x200a) || unit == 0x2028 || unit == 0x2029 || unit == 0x202f ||
         unit == 0x205f || unit == 0x3000;
}

}  // namespace

bool IsBlank(std::u16string_view text) { return std::all_of(text.begin(), text.end(), IsSpace); }

BackupEntryProblem CheckBackupEntries(std::u16string_view fileName, bool bPathIsFolder, bool bProtect,
                                      std::u16string_view password, std::u16string_view confirmation) {
  if (IsBlank(fileName)) return {IDC_FILENAME, "Please enter the filename before you press OK button!"};
  if (bPathIsFolder) {
    return {IDC_FILENAME, "The filename is a folder, please enter the name of a file for the archive!"};
  }
  if (!bProtect) return {};
  if (password != confirmation) {
    return {IDC_PASSWORD, "Wrong password, please enter the password twice into the password boxes!"};
  }
  // UTF-16 units, as the backup job counts them.
  if (password.size() < kMinPasswordLength) {
    return {IDC_PASSWORD, "Password too short, please make sure your password has six or more characters!"};
  }
  // The archive's key takes a character outside Windows-1252 for "?", so that any
  // password with "?" there would open it.
  if (!PasswordCharacterProblem(password).empty()) {
    return {IDC_PASSWORD,
            "Password has characters that protection cannot use, please use only Western European "
            "letters, digits and signs!"};
  }
  return {};
}

}  // namespace qv::app
