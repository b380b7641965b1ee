// What a restore did with each record, gathered by the archive reader for the job's
// summary. The reader never shows anything itself.
#pragma once

#include <cstdint>
#include <string>

#include "store/reader/record_list.h"

namespace qv {

struct RestoreReport {
  RecordList records;
  std::uint64_t nDamagedBlocks = 0;
  std::uint64_t nUnknownKindCodes = 0;  // 4-byte groups passed over
  bool bOpenFailed = false;
  bool bEndedEarly = false;
  bool bStopped = false;  // the stop flag was set before the archive's end
  std::string strEndReason;  // why the archive was not read to its end
  // After a stop: the records the rest of the archive holds (the one being read
  // included), framed but neither decoded nor restored; not exact when the framing
  // broke down before the end, and then the least there are.
  std::uint64_t nRecordsLeft = 0;
  bool bRecordsLeftExact = true;

  std::uint64_t Count(RecordOutcome outcome) const { return records.Count(outcome); }
  std::uint64_t BytesRestored() const { return records.Tally().nBytesRestored; }
  // Something in the archive did not reach the profile.
  bool HasLosses() const {
    return bOpenFailed || bEndedEarly || bStopped || nDamagedBlocks > 0 || nUnknownKindCodes > 0 ||
           Count(RecordOutcome::kRestored) != records.size();
  }
};

}  // namespace qv
