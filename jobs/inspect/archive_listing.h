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
  ScanReport report;
};

// Takes the records as the scan finds them, so that a listing of any length costs
// the memory of one record.
class ListingSink {
 public:
  virtual ~ListingSink() = default;
  // The archive was accepted (listing.check is kOk); records follow.
  virtual void OnAccepted(const ArchiveListing& listing) = 0;
  virtual void OnRecord(const ScannedRecord& record) = 0;
};

[[nodiscard]] ArchiveListing ListArchive(const ListingOptions& options, ListingSink& sink);

}  // namespace qv
