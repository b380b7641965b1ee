// Checking an archive without restoring it: the header and the password, then
// every block of every record decoded and thrown away, every truncation and every
// stretch that holds no record. Nothing is written.
//
// The format has no checksums. What decoding cannot see: a changed byte in data
// stored without compression and encryption, and a changed byte of cipher text in
// an encrypted block that is not compressed (it decrypts to other bytes of the
// same length). Compressed data usually fails to decode when changed, not always.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "jobs/archive_check.h"
#include "platform/win_types.h"
#include "store/scan/scanned_record.h"

namespace qv {

struct VerifyOptions {
  std::u16string strArchivePath;  // Windows form
  std::u16string strPassword;     // needed for a protected archive
  bool bSalvage = false;          // after damage, look for the next record head
  WindowHandle hNotifyWindow = 0; // receives WM_JOB_PROGRESS; 0 = none
  const std::atomic<bool>* pStopFlag = nullptr;
};

struct VerifySummary {
  ArchiveCheck check;  // not kOk: the archive was refused, nothing was read
  std::uint64_t nFavorites = 0;
  std::uint64_t nSettings = 0;
  std::uint64_t nSoundRecords = 0;
  std::uint64_t nPlainBytes = 0;            // decoded from the sound records
  // Records that are not sound, in order: the first kMaxListedProblems of them,
  // so that a hostile archive of many bad records costs bounded memory.
  static constexpr std::size_t kMaxListedProblems = 1000;
  std::vector<ScannedRecord> problems;
  std::uint64_t nProblems = 0;  // listed or not
  ScanReport report;

  std::uint64_t Records() const { return nFavorites + nSettings; }
  bool Sound() const { return check.result == ArchiveCheckResult::kOk && nProblems == 0 && report.Clean(); }
};

[[nodiscard]] VerifySummary VerifyArchive(const VerifyOptions& options);

}  // namespace qv
