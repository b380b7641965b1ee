// What a restore did with each record, gathered by the archive reader for the job's
// summary. The reader never shows anything itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qv {

enum class RecordOutcome {
  kRestored,  // the target now holds the record (in a dry run: it would)
  kSkipped,   // refused or not writable; the target is unchanged
  kDamaged,   // a block could not be decoded; the target is unchanged
  kCutShort,  // the archive ended inside the record; the target is unchanged
};

struct RecordResult {
  std::uint32_t nKind = 0;
  std::string strTarget;  // as DataItem::Describe gives it
  RecordOutcome outcome = RecordOutcome::kRestored;
  std::string strReason;       // empty for kRestored
  bool bReplaced = false;      // the target existed before
  std::uint64_t nBytes = 0;    // decoded bytes the record delivered
};

struct RestoreReport {
  std::vector<RecordResult> records;
  std::uint64_t nDamagedBlocks = 0;
  std::uint64_t nUnknownKindCodes = 0;  // 4-byte groups passed over
  bool bOpenFailed = false;
  bool bEndedEarly = false;
  bool bStopped = false;  // the stop flag was set before the archive's end
  std::string strEndReason;  // why the archive was not read to its end

  std::uint64_t Count(RecordOutcome outcome) const {
    std::uint64_t n = 0;
    for (const RecordResult& r : records) n += r.outcome == outcome ? 1 : 0;
    return n;
  }
  std::uint64_t BytesRestored() const {
    std::uint64_t n = 0;
    for (const RecordResult& r : records) n += r.outcome == RecordOutcome::kRestored ? r.nBytes : 0;
    return n;
  }
  // Something in the archive did not reach the profile.
  bool HasLosses() const {
    return bOpenFailed || bEndedEarly || bStopped || nDamagedBlocks > 0 || nUnknownKindCodes > 0 ||
           Count(RecordOutcome::kRestored) != records.size();
  }
};

}  // namespace qv
