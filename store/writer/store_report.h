// What one store (and the walk before it) did, for the job's summary. Store() and
// Backup() return bare byte counts, which cannot tell a finished backup from one
// whose archive writes failed; this report can.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qv {

// A source entry that is not in the archive, and why. `path` is UTF-8 text as the
// user would recognise it: a Windows-form file path, a registry path, or the native
// path of an entry the platform could not list.
struct SkippedSource {
  std::string strPath;
  std::string strReason;
};

// What a store, or a backup item, is about to write: the sources it found and
// their bytes, as measured before the first record.
struct StoreMeasure {
  std::uint64_t nRecords = 0;
  std::uint64_t nBytes = 0;
};

struct StoreReport {
  std::uint64_t nRecords = 0;      // records written whole, head to end marker
  std::uint64_t nSourceBytes = 0;  // source bytes stored (what Store() returns)
  std::uint64_t nArchiveBytes = 0; // bytes the archive took: heads, block heads, payloads
  std::uint64_t nWriteFailures = 0;  // archive writes that failed or were short
  std::uint64_t nStageFailures = 0;  // blocks the compression or encryption stage refused
  bool bArchiveOpenFailed = false;
  bool bStopped = false;
  std::string strFirstFailure;  // why the first failure above happened
  std::vector<SkippedSource> skipped;

  bool Failed() const {
    return bArchiveOpenFailed || nWriteFailures != 0 || nStageFailures != 0;
  }
  void NoteFailure(const std::string& why) {
    if (strFirstFailure.empty()) strFirstFailure = why;
  }
};

}  // namespace qv
