// One thing the user backs up as a whole: "Favorites" or "IE Settings".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "processors/seal_cryptors.h"
#include "store/writer/store_report.h"

namespace qv {

// A backup call with what only the job knows: the files the walk must never store
// because they are the archive being written (its temporary file and its target).
struct BackupRequest {
  std::u16string strArchivePath;  // the file the records are appended to
  bool bCompress = false;
  bool bProtect = false;
  std::u16string strPassword;  // used only when `bProtect` is set
  // The sealed form's archive key; when set, every record is sealed with it and
  // `bProtect` (the DES stage) is off.
  const SealKey* pSealKey = nullptr;
  std::vector<std::u16string> excludedPaths;
};

class BackupItem {
 public:
  virtual ~BackupItem() = default;
  virtual std::u16string GetName() = 0;
  // Bytes of the item's sources as its builder sums them.
  virtual std::uint64_t GetSize() = 0;
  // Appends the item's records to the archive and returns the source bytes stored.
  // A byte count cannot tell a finished backup from one whose writes failed, so
  // `report` says what happened; there is deliberately no form without it.
  virtual std::uint64_t Backup(const BackupRequest& request, StoreReport& report) = 0;
};

}  // namespace qv
