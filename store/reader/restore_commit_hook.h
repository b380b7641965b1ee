// What a restore job hangs on the archive reader so that restored targets can be
// put in place in batches, not one at a time: the reader says which record ends
// next and when a record is over, and at the end asks for everything queued. The
// reader knows nothing of what is queued; the hook answers with the records whose
// target did not make it, which the reader then reports as skipped.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace qv {

struct CommitFailure {
  std::size_t nRecord = 0;  // index into the restore report's records
  std::string strReason;
};

class RestoreCommitHook {
 public:
  virtual ~RestoreCommitHook() = default;
  // The record whose End() comes next: what End() queues belongs to it.
  virtual void SetRecord(std::size_t record) = 0;
  // After each record: a chance to start putting a full batch in place while the
  // reading goes on.
  virtual std::vector<CommitFailure> AfterRecord() = 0;
  // Whatever ended the restore: everything queued goes in place now.
  virtual std::vector<CommitFailure> Commit() = 0;
};

}  // namespace qv
