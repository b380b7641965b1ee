// The records of one restore or extract in archive order, each with what became of
// it, for the job's summary.
//
// An archive may hold any number of records, and the target and reason of one can
// take a few KB of text, so the list keeps a bounded number of bytes in memory and
// sets older records aside in a temporary file of its own (Platform::GetTempPathW),
// from which a walk reads them back in order. What happens to a record after it was
// set aside (the batch of its favorite could not be put in place, the settings
// could not be written) is kept apart, compactly, and applied as it comes back.
// When nothing can be set aside, the records stay in memory: a summary that costs
// memory beats one that lost lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <iterator>
#include <memory>
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

// The counts a summary gives before it lists anything.
struct RecordTally {
  std::uint64_t nRestored = 0;
  std::uint64_t nSkipped = 0;
  std::uint64_t nDamaged = 0;
  std::uint64_t nCutShort = 0;
  std::uint64_t nBytesRestored = 0;  // of the restored records
  std::uint64_t nReplaced = 0;       // restored records whose target existed before

  std::uint64_t Count(RecordOutcome outcome) const;
  // `sign` 1 counts the record in, -1 takes it out again.
  void Add(const RecordResult& record, int sign = 1);
};

class RecordList {
 public:
  // What the records in memory may take before the older ones are set aside: a
  // restore of tens of thousands of ordinary favorites never touches the disk.
  static constexpr std::size_t kMemoryBytes = 8 * 1024 * 1024;

  RecordList() : RecordList(kMemoryBytes) {}
  explicit RecordList(std::size_t memoryBytes);
  ~RecordList();
  RecordList(RecordList&&) noexcept;
  RecordList& operator=(RecordList&&) noexcept;
  RecordList(const RecordList&) = delete;
  RecordList& operator=(const RecordList&) = delete;

  void push_back(RecordResult record);
  std::size_t size() const { return static_cast<std::size_t>(m_nSetAside) + m_recent.size(); }
  bool empty() const { return size() == 0; }
  // One record, with what happened to it since: reads what was set aside from the
  // start, so it is for short lists and tests; a summary walks the list instead.
  RecordResult operator[](std::size_t index) const;

  // The record's target did not reach its place after all: it is skipped, with
  // `reason`, and delivered nothing.
  void MarkSkipped(std::size_t index, std::string reason);
  // Every record of `kind` restored so far is skipped, with `reason`.
  void SkipRestored(std::uint32_t kind, const std::string& reason);

  const RecordTally& Tally() const;
  std::uint64_t Count(RecordOutcome outcome) const { return Tally().Count(outcome); }

  // Why records set aside could not be read back; a walk then ended before the
  // last record. Empty when nothing went wrong.
  const std::string& ReadProblem() const { return m_strReadProblem; }
  // How many records are in the temporary file now (for tests).
  std::uint64_t SetAsideCount() const { return m_nSetAside; }

  class const_iterator {
   public:
    using iterator_category = std::input_iterator_tag;
    using value_type = RecordResult;
    using difference_type = std::ptrdiff_t;
    using pointer = const RecordResult*;
    using reference = const RecordResult&;

    const_iterator() = default;
    reference operator*() const;
    pointer operator->() const { return &**this; }
    const_iterator& operator++();
    // Input iterators: every walk that has ended equals every other.
    bool operator==(const const_iterator& other) const { return Done() == other.Done(); }
    bool operator!=(const const_iterator& other) const { return !(*this == other); }

   private:
    friend class RecordList;
    struct Walk;
    explicit const_iterator(std::shared_ptr<Walk> walk) : m_pWalk(std::move(walk)) {}
    bool Done() const;
    std::shared_ptr<Walk> m_pWalk;
  };
  const_iterator begin() const;
  const_iterator end() const { return const_iterator(); }

 private:
  struct LateMark {
    std::uint64_t nIndex = 0;
    std::uint32_t nReason = 0;  // into m_reasons
  };
  struct LateSkip {
    std::uint64_t nBefore = 0;  // records set aside when it was made
    std::uint32_t nKind = 0;
    std::uint32_t nReason = 0;
  };
  class SetAsideFile;

  void TakeFrom(RecordList& other);
  static std::size_t Weight(const RecordResult& record);
  void SetAsideOldest();
  std::uint32_t ReasonId(std::string reason);
  // Applies to a record read back what happened to it after it was set aside;
  // `nextMark` walks m_lateMarks along with the records.
  void ApplyLate(std::uint64_t index, RecordResult& record, std::size_t& nextMark) const;

  std::size_t m_nMemoryBytes;
  std::deque<RecordResult> m_recent;  // the records from m_nSetAside on
  std::size_t m_nRecentBytes = 0;
  std::uint64_t m_nSetAside = 0;      // records in the file, from the first on
  std::unique_ptr<SetAsideFile> m_pFile;
  bool m_bCannotSetAside = false;
  std::deque<std::string> m_reasons;  // a deque: marks name them by position
  std::vector<LateMark> m_lateMarks;  // by index
  std::vector<LateSkip> m_lateSkips;
  mutable RecordTally m_tally;
  mutable bool m_bTallyStale = false;  // a late change hit records set aside
  mutable std::string m_strReadProblem;
};

}  // namespace qv
