// What an archive holds, record by record, without restoring or decoding it: the
// heads are in the clear, and every block states its plain size in its own fields
// (a protected and compressed one only once decrypted, so that needs the password).
#pragma once

#include <string>
#include <vector>

#include "jobs/archive_check.h"
#include "store/scan/scanned_record.h"

namespace qv {

struct ListingOptions {
  std::u16string strArchivePath;  // Windows form
  bool bHasPassword = false;      // a wrong one is refused
  std::u16string strPassword;
};

struct ArchiveListing {
  ArchiveCheck check;  // not kOk: nothing was read
  bool bProtected = false;
  std::vector<ScannedRecord> records;  // in archive order
  ScanReport report;
};

[[nodiscard]] ArchiveListing ListArchive(const ListingOptions& options);

}  // namespace qv
