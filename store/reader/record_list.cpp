#include "store/reader/record_list.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/coding.h"
#include "platform/platform.h"
#include "platform/unique_handles.h"

namespace qv {
namespace {

// A record in the file: kind (4), outcome (1), replaced (1), bytes (8), the
// lengths of target and reason (4 each), then their UTF-8 bytes. Only this list
// writes and reads it, within one run.
constexpr std::size_t kEncodedHeadSize = 22;
// Records are written and read in pieces of about this size.
constexpr std::size_t kChunkBytes = 256 * 1024;
// No target or reason comes near it; a length past it is not ours.
constexpr std::uint32_t kMaxTextBytes = 16 * 1024 * 1024;

void Encode(const RecordResult& record, std::vector<std::uint8_t>& out) {
  const std::size_t at = out.size();
  out.resize(at + kEncodedHeadSize);
  std::uint8_t* head = out.data() + at;
  EncodeFixed32(head, record.nKind);
  head[4] = static_cast<std::uint8_t>(record.outcome);
  head[5] = record.bReplaced ? 1 : 0;
  EncodeFixed64(head + 6, record.nBytes);
  EncodeFixed32(head + 14, static_cast<std::uint32_t>(record.strTarget.size()));
  EncodeFixed32(head + 18, static_cast<std::uint32_t>(record.strReason.size()));
  out.insert(out.end(), record.strTarget.begin(), record.strTarget.end());
  out.insert(out.end(), record.strReason.begin(), record.strReason.end());
}

void Skip(RecordResult& record, const std::string& reason) {
  record.outcome = RecordOutcome::kSkipped;
  record.strReason = reason;
  record.nBytes = 0;
}

}  // namespace

std::uint64_t RecordTally::Count(RecordOutcome outcome) const {
  switch (outcome) {
    case RecordOutcome::kRestored: return nRestored;
    case RecordOutcome::kSkipped: return nSkipped;
    case RecordOutcome::kDamaged: return nDamaged;
    case RecordOutcome::kCutShort: return nCutShort;
  }
  return 0;
}

void RecordTally::Add(const RecordResult& record, int sign) {
  const auto step = [sign](std::uint64_t& count, std::uint64_t by) {
    count = sign > 0 ? count + by : count - by;
  };
  switch (record.outcome) {
    case RecordOutcome::kRestored:
      step(nRestored, 1);
      step(nBytesRestored, record.nBytes);
      step(nReplaced, record.bReplaced ? 1 : 0);
      break;
    case RecordOutcome::kSkipped: step(nSkipped, 1); break;
    case RecordOutcome::kDamaged: step(nDamaged, 1); break;
    case RecordOutcome::kCutShort: step(nCutShort, 1); break;
  }
}

// The temporary file, deleted with the list. One that a killed run left behind is
// removed by the next list that sets records aside in that folder.
class RecordList::SetAsideFile {
 public:
  static std::unique_ptr<SetAsideFile> Make() {
    std::u16string folder;
    if (!Os().GetTempPathW(&folder)) return nullptr;
    (void)Os().RemoveStaleTempFiles(folder, false);  // a clean-up: nothing depends on it
    auto made = std::make_unique<SetAsideFile>();
    // Readable by this user alone: it holds names from the archive.
    if (!Os().GetTempFileNameW(folder, &made->m_strPath, true)) return nullptr;
    made->m_file = UniqueFile(Os().CreateFileW(made->m_strPath, kGenericWrite, kFileShareRead, kOpenExisting));
    if (!made->m_file.Valid()) return nullptr;
    return made;
  }
  ~SetAsideFile() {
    if (m_strPath.empty()) return;
    (void)m_file.Close();  // it is deleted next: a failed close loses nothing
    (void)m_pOs->DeleteFileW(m_strPath);  // best effort: a later run removes what stays
  }

  [[nodiscard]] bool Append(const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
      std::uint32_t written = 0;
      const auto piece = static_cast<std::uint32_t>(bytes.size() - done);
      if (!m_pOs->WriteFile(m_file.Get(), bytes.data() + done, piece, &written) || written == 0) return false;
      done += written;
    }
    return true;
  }
  FileHandle OpenReader() const {
    return m_pOs->CreateFileW(m_strPath, kGenericRead, kFileShareRead | kFileShareWrite, kOpenExisting);
  }

 private:
  Platform* m_pOs = &Os();
  std::u16string m_strPath;
  UniqueFile m_file;
};

// One walk through the list: the records set aside, read back in pieces, then
// those in memory, as they are.
struct RecordList::const_iterator::Walk {
  const RecordList* pList = nullptr;
  std::uint64_t nIndex = 0;
  const RecordResult* pCurrent = nullptr;  // null once the walk has ended
  RecordResult decoded;                    // the record read back, when it was set aside
  UniqueFile file;
  std::vector<std::uint8_t> buffer;
  std::size_t nStart = 0;
  std::size_t nEnd = 0;
  std::size_t nNextMark = 0;

  std::string strReadError;  // why the file could not be read; empty when it ended early

  bool Read(std::uint8_t* into, std::size_t size) {
    while (size > 0) {
      if (nStart == nEnd) {
        std::uint32_t got = 0;
        if (!Os().ReadFile(file.Get(), buffer.data(), static_cast<std::uint32_t>(buffer.size()), &got)) {
          strReadError = Os().LastErrorText();
          return false;
        }
        if (got == 0) return false;
        nStart = 0;
        nEnd = got;
      }
      const std::size_t take = std::min(size, nEnd - nStart);
      std::memcpy(into, buffer.data() + nStart, take);
      nStart += take;
      into += take;
      size -= take;
    }
    return true;
  }
  bool ReadText(std::uint32_t size, std::string* text) {
    if (size > kMaxTextBytes) return false;
    text->resize(size);
    return Read(reinterpret_cast<std::uint8_t*>(text->data()), size);
  }
  bool Decode() {
    std::uint8_t head[kEncodedHeadSize];
    if (!Read(head, sizeof head) || head[4] > static_cast<std::uint8_t>(RecordOutcome::kCutShort)) return false;
    decoded.nKind = DecodeFixed32(head);
    decoded.outcome = static_cast<RecordOutcome>(head[4]);
    decoded.bReplaced = head[5] != 0;
    decoded.nBytes = DecodeFixed64(head + 6);
    return ReadText(DecodeFixed32(head + 14), &decoded.strTarget) &&
           ReadText(DecodeFixed32(head + 18), &decoded.strReason);
  }
  void Fail(const std::string& why) {
    if (pList->m_strReadProblem.empty()) pList->m_strReadProblem = why;
    pCurrent = nullptr;
  }
  // Makes record nIndex the current one.
  void Load() {
    if (nIndex >= pList->size()) {
      pCurrent = nullptr;
      return;
    }
    if (nIndex >= pList->m_nSetAside) {
      pCurrent = &pList->m_recent[static_cast<std::size_t>(nIndex - pList->m_nSetAside)];
      return;
    }
    if (!file.Valid()) {
      file = UniqueFile(pList->m_pFile->OpenReader());
      if (!file.Valid()) return Fail("cannot open the records set aside: " + Os().LastErrorText());
      buffer.resize(kChunkBytes);
    }
    if (!Decode()) {
      return Fail("cannot read back the records set aside, from record " + std::to_string(nIndex + 1) + " on: " +
                  (strReadError.empty() ? std::string("the file holds less than was written") : strReadError));
    }
    pList->ApplyLate(nIndex, decoded, nNextMark);
    pCurrent = &decoded;
  }
};

RecordList::const_iterator::reference RecordList::const_iterator::operator*() const { return *m_pWalk->pCurrent; }

RecordList::const_iterator& RecordList::const_iterator::operator++() {
  ++m_pWalk->nIndex;
  m_pWalk->Load();
  return *this;
}

bool RecordList::const_iterator::Done() const { return !m_pWalk || m_pWalk->pCurrent == nullptr; }

RecordList::const_iterator RecordList::begin() const {
  auto walk = std::make_shared<const_iterator::Walk>();
  walk->pList = this;
  walk->Load();
  return const_iterator(std::move(walk));
}

RecordList::RecordList(std::size_t memoryBytes) : m_nMemoryBytes(memoryBytes) {}
RecordList::~RecordList() = default;

RecordList::RecordList(RecordList&& other) noexcept : m_nMemoryBytes(other.m_nMemoryBytes) { TakeFrom(other); }

RecordList& RecordList::operator=(RecordList&& other) noexcept {
  if (this != &other) {
    m_nMemoryBytes = other.m_nMemoryBytes;
    TakeFrom(other);
  }
  return *this;
}

void RecordList::TakeFrom(RecordList& other) {
  // The list left behind is empty, not one whose count still names records in a
  // file it no longer has.
  m_recent = std::exchange(other.m_recent, {});
  m_nRecentBytes = std::exchange(other.m_nRecentBytes, 0);
  m_nSetAside = std::exchange(other.m_nSetAside, 0);
  m_pFile = std::move(other.m_pFile);
  m_bCannotSetAside = std::exchange(other.m_bCannotSetAside, false);
  m_reasons = std::exchange(other.m_reasons, {});
  m_lateMarks = std::exchange(other.m_lateMarks, {});
  m_lateSkips = std::exchange(other.m_lateSkips, {});
  m_tally = std::exchange(other.m_tally, {});
  m_bTallyStale = std::exchange(other.m_bTallyStale, false);
  m_strReadProblem = std::exchange(other.m_strReadProblem, {});
}

std::size_t RecordList::Weight(const RecordResult& record) {
  // What the heap takes for a string beyond the short ones kept inside it.
  const auto text = [](const std::string& s) { return s.capacity() > 15 ? s.capacity() + 1 + 16 : 0; };
  return sizeof(RecordResult) + text(record.strTarget) + text(record.strReason);
}

void RecordList::push_back(RecordResult record) {
  m_tally.Add(record);
  m_nRecentBytes += Weight(record);
  m_recent.push_back(std::move(record));
  if (m_nRecentBytes > m_nMemoryBytes) SetAsideOldest();
}

void RecordList::SetAsideOldest() {
  if (m_bCannotSetAside) return;
  if (!m_pFile) m_pFile = SetAsideFile::Make();
  if (!m_pFile) {
    m_bCannotSetAside = true;
    return;
  }
  // Down to half, so that the file is written in large pieces and seldom, and the
  // newest records, which a failed batch may still change, stay at hand.
  std::vector<std::uint8_t> chunk;
  while (m_nRecentBytes > m_nMemoryBytes / 2 && !m_recent.empty()) {
    chunk.clear();
    std::size_t count = 0;
    std::size_t weight = 0;
    while (count < m_recent.size() && chunk.size() < kChunkBytes && m_nRecentBytes - weight > m_nMemoryBytes / 2) {
      Encode(m_recent[count], chunk);
      weight += Weight(m_recent[count]);
      ++count;
    }
    if (!m_pFile->Append(chunk)) {
      // What the file holds past the records counted as set aside is never read.
      m_bCannotSetAside = true;
      return;
    }
    m_recent.erase(m_recent.begin(), m_recent.begin() + static_cast<std::ptrdiff_t>(count));
    m_nRecentBytes -= weight;
    m_nSetAside += count;
  }
}

std::uint32_t RecordList::ReasonId(std::string reason) {
  // A failed batch gives most of its records one reason: the latest is the likely one.
  for (std::size_t i = m_reasons.size(), seen = 0; i > 0 && seen < 8; --i, ++seen) {
    if (m_reasons[i - 1] == reason) return static_cast<std::uint32_t>(i - 1);
  }
  m_reasons.push_back(std::move(reason));
  return static_cast<std::uint32_t>(m_reasons.size() - 1);
}

void RecordList::MarkSkipped(std::size_t index, std::string reason) {
  if (index >= size()) return;
  if (index >= m_nSetAside) {
    RecordResult& record = m_recent[static_cast<std::size_t>(index - m_nSetAside)];
    m_tally.Add(record, -1);
    m_nRecentBytes -= Weight(record);
    Skip(record, reason);
    m_tally.Add(record);
    m_nRecentBytes += Weight(record);
    return;
  }
  const LateMark mark{index, ReasonId(std::move(reason))};
  // Marks come in record order; one for the same record again wins over the earlier.
  const auto at = std::upper_bound(m_lateMarks.begin(), m_lateMarks.end(), mark,
                                   [](const LateMark& a, const LateMark& b) { return a.nIndex < b.nIndex; });
  m_lateMarks.insert(at, mark);
  m_bTallyStale = true;
}

void RecordList::SkipRestored(std::uint32_t kind, const std::string& reason) {
  for (RecordResult& record : m_recent) {
    if (record.nKind != kind || record.outcome != RecordOutcome::kRestored) continue;
    m_tally.Add(record, -1);
    m_nRecentBytes -= Weight(record);
    Skip(record, reason);
    m_tally.Add(record);
    m_nRecentBytes += Weight(record);
  }
  if (m_nSetAside > 0) {
    m_lateSkips.push_back({m_nSetAside, kind, ReasonId(reason)});
    m_bTallyStale = true;
  }
}

void RecordList::ApplyLate(std::uint64_t index, RecordResult& record, std::size_t& nextMark) const {
  while (nextMark < m_lateMarks.size() && m_lateMarks[nextMark].nIndex < index) ++nextMark;
  for (; nextMark < m_lateMarks.size() && m_lateMarks[nextMark].nIndex == index; ++nextMark) {
    Skip(record, m_reasons[m_lateMarks[nextMark].nReason]);
  }
  for (const LateSkip& skip : m_lateSkips) {
    if (index < skip.nBefore && record.nKind == skip.nKind && record.outcome == RecordOutcome::kRestored) {
      Skip(record, m_reasons[skip.nReason]);
    }
  }
}

const RecordTally& RecordList::Tally() const {
  if (!m_bTallyStale) return m_tally;
  RecordTally counted;
  for (const RecordResult& record : *this) counted.Add(record);
  // Unread records cannot be counted; the running counts are the best left then.
  if (m_strReadProblem.empty()) {
    m_tally = counted;
    m_bTallyStale = false;
  }
  return m_tally;
}

RecordResult RecordList::operator[](std::size_t index) const {
  if (index >= m_nSetAside) return m_recent.at(static_cast<std::size_t>(index - m_nSetAside));
  std::size_t at = 0;
  for (const RecordResult& record : *this) {
    if (at++ == index) return record;
  }
  return RecordResult();
}

}  // namespace qv
