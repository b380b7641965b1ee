#include "store/reader/archive_reader.h"

#include <algorithm>
#include <deque>
#include <utility>

#include "platform/platform.h"
#include "processors/des_cryptors.h"
#include "processors/lzma_processors.h"
#include "store/block_pool.h"
#include "store/data_buffer.h"
#include "store/records.h"

namespace qv {
namespace {

// Record heads are about 1 KB; a factory stating more is broken, not generous.
constexpr std::int32_t kMaxHeadSize = 64 * 1024;

std::string At(std::uint64_t offset) { return " at offset " + std::to_string(offset); }

}  // namespace

ArchiveReader::ArchiveReader(std::u16string archivePath, std::u16string password, Factories factories,
                             RestoreCommitHook* commitHook)
    : m_pCommitHook(commitHook),
      m_strArchivePath(std::move(archivePath)),
      m_factories(std::move(factories)),
      m_strPassword(std::move(password)),
      m_nHeaderSize(static_cast<std::uint32_t>(kArchiveHeaderSize)) {}

void ArchiveReader::SetNotifyWindow(WindowHandle window, std::uint32_t message) {
  m_progress.SetTarget(window, message);
}

void ArchiveReader::EndEarly(std::string reason) {
  m_report.bEndedEarly = true;
  m_report.strEndReason = std::move(reason);
}

DataItemFactory* ArchiveReader::FindFactory(int kind) const {
  for (const auto& factory : m_factories) {
    // The first factory with the key decides; one of another family counts as none.
    if (factory->GetKey() == kind) return dynamic_cast<DataItemFactory*>(factory.get());
  }
  return nullptr;
}

std::uint64_t ArchiveReader::Run() {
  m_progress.Post(0, 0);
  m_report = RestoreReport();
  if (!m_stream.Open(m_strArchivePath, m_nHeaderSize)) {
    m_report.bOpenFailed = true;
    m_report.strEndReason = "cannot open the archive: " + m_stream.ReadError();
    return 0;
  }
  // A protected record in an archive without a password would be decrypted with
  // the empty password's key into junk.
  m_bArchiveProtected = m_stream.HeaderIsProtected();
  if (!OpenSealedForm()) {
    m_stream.Close();
    return 0;
  }
  m_bStoppedInRecord = false;
  m_bLeftFramed = true;
  std::uint64_t sum = 0;
  for (;;) {
    // A stop after the last record stops nothing.
    if (StopRequested() && m_stream.Remaining() > 0) {
      m_report.bStopped = true;
      break;
    }
    const std::int64_t result = ReadRecord();
    if (m_pCommitHook != nullptr) NoteCommitFailures(m_pCommitHook->AfterRecord());
    if (result < 0) break;
    sum += static_cast<std::uint64_t>(result);
  }
  // Whatever ended the restore, the targets that arrived whole go in place.
  if (m_pCommitHook != nullptr) NoteCommitFailures(m_pCommitHook->Commit());
  if (m_report.bStopped) CountRecordsLeft();
  m_stream.Close();
  return sum;
}

bool ArchiveReader::OpenSealedForm() {
  const std::optional<ArchiveHeader> header = m_stream.SealedHeader();
  if (!header) return true;
  SealKey key;
  if (!OpenSealedHeader(*header, m_strPassword, &key)) {
    // The job checked the password before; only a header changed since fails here.
    EndEarly("the password does not open the archive's header");
    return false;
  }
  m_stream.UseSealKey(key);
  return true;
}

std::int64_t ArchiveReader::PassOverSealedRecord(std::uint64_t recordOffset, std::uint32_t unknownKind) {
  RecordResult result;
  result.strTarget = "record" + At(recordOffset);
  result.outcome = RecordOutcome::kDamaged;
  if (unknownKind != 0) {
    result.nKind = unknownKind;
    result.strReason = "the record" + At(recordOffset) + " is of kind " + std::to_string(unknownKind) +
                       ", which this version does not know";
  } else {
    result.strReason = "the record head" + At(recordOffset) + ArchiveStream::SealProblem(ArchiveStream::Result::kSealBroken);
    ++m_report.nDamagedBlocks;
  }
  // Its block heads open on their own, so the records after it can still be reached.
  StreamBlock block;
  for (;;) {
    ArchiveStream::Result read = m_stream.ReadBlockHead(&block);
    if (read == ArchiveStream::Result::kSealBroken && block.bLast) break;
    if (read != ArchiveStream::Result::kOk) {
      m_report.records.push_back(result);
      EndEarly("the blocks of the record" + At(recordOffset) + " cannot be framed");
      return kStop;
    }
    if (block.bLast) break;
    read = m_stream.ReadPayload(&block);
    if (read != ArchiveStream::Result::kOk && read != ArchiveStream::Result::kSealBroken &&
        read != ArchiveStream::Result::kEmptySeal) {
      m_report.records.push_back(result);
      EndEarly("the record" + At(recordOffset) + " is cut short");
      return kStop;
    }
  }
  m_report.records.push_back(std::move(result));
  return 0;
}

void ArchiveReader::CountRecordsLeft() {
  // Framing only: a stopped restore must end soon, and decodes nothing more.
  std::uint64_t left = 0;
  bool exact = true;
  if (m_bStoppedInRecord) {
    ++left;
    exact = m_bLeftFramed && m_stream.SkipRecordRest() == ArchiveStream::Result::kOk;
  }
  std::vector<std::uint8_t> body;
  std::vector<std::pair<std::uint32_t, std::int32_t>> headSizes;  // by kind code
  while (exact) {
    std::uint32_t kind = 0;
    const ArchiveStream::Result read = m_stream.ReadKindCode(&kind);
    if (read == ArchiveStream::Result::kEnd) break;
    if (read != ArchiveStream::Result::kOk) {
      exact = false;
      break;
    }
    DataItemFactory* factory = FindFactory(static_cast<int>(kind));
    if (factory == nullptr) continue;  // passed over four bytes at a time, as a restore does
    auto known = std::find_if(headSizes.begin(), headSizes.end(), [kind](const auto& k) { return k.first == kind; });
    if (known == headSizes.end()) {
      const std::unique_ptr<DataItem> item = factory->Create();
      headSizes.emplace_back(kind, item ? item->GetHeadSize() : 0);
      known = headSizes.end() - 1;
    }
    if (known->second < 4 || known->second > kMaxHeadSize ||
        m_stream.ReadHeadBody(static_cast<std::size_t>(known->second) - 4, &body) != ArchiveStream::Result::kOk) {
      exact = false;
      break;
    }
    ++left;
    exact = m_stream.SkipRecordRest() == ArchiveStream::Result::kOk;
  }
  m_report.nRecordsLeft = left;
  m_report.bRecordsLeftExact = exact;
}

BlockPool& ArchiveReader::Pool() {
  if (!m_pPool) m_pPool = std::make_unique<BlockPool>();
  return *m_pPool;
}

void ArchiveReader::NoteCommitFailures(const std::vector<CommitFailure>& failures) {
  for (const CommitFailure& failure : failures) m_report.records.MarkSkipped(failure.nRecord, failure.strReason);
}

std::int64_t ArchiveReader::StopInRecord(DataItem& item, RecordResult result,
                                         ArchiveStream::Result read, const std::string& what,
                                         std::uint32_t statedSize) {
  item.Discard();
  result.outcome = RecordOutcome::kCutShort;
  std::string reason = what + " is cut short";
  switch (read) {
    case ArchiveStream::Result::kTooLarge:
      // The size is all that frames the records after this one, and it is garbage.
      ++m_report.nDamagedBlocks;
      result.outcome = RecordOutcome::kDamaged;
      reason = what + " states " + std::to_string(statedSize) +
               " bytes, more than any block holds; the rest of the archive cannot be framed";
      break;
    case ArchiveStream::Result::kBeyondEnd:
      reason += ": it states " + std::to_string(statedSize) + (statedSize == 1 ? " byte" : " bytes") +
                ", the archive holds " +
                std::to_string(m_stream.Remaining());
      break;
    case ArchiveStream::Result::kBadEndMarker:
      ++m_report.nDamagedBlocks;
      result.outcome = RecordOutcome::kDamaged;
      reason = what + " holds bytes that an end marker leaves zero: a block length before it is " +
               "damaged, so the rest of the archive cannot be framed";
      break;
    case ArchiveStream::Result::kBlockHeadSealBroken:
      ++m_report.nDamagedBlocks;
      result.outcome = RecordOutcome::kDamaged;
      reason = what + ArchiveStream::SealProblem(read) + ", so the rest of the archive cannot be framed";
      break;
    case ArchiveStream::Result::kReadFailed:
      reason += " (" + m_stream.ReadError() + ")";
      break;
    default:
      break;
  }
  result.strReason = reason;
  m_report.records.push_back(std::move(result));
  EndEarly(std::move(reason));
  return kStop;
}

std::int64_t ArchiveReader::ReadRecord() {
  const std::uint64_t recordOffset = m_stream.Offset();
  std::uint32_t kindCode = 0;
  switch (m_stream.ReadKindCode(&kindCode)) {
    case ArchiveStream::Result::kOk:
      break;
    case ArchiveStream::Result::kEnd:
      return kNoMoreRecords;
    case ArchiveStream::Result::kReadFailed:
      EndEarly("cannot read the kind code" + At(recordOffset) + " (" + m_stream.ReadError() + ")");
      return kNoMoreRecords;
    case ArchiveStream::Result::kSealBroken:
      return PassOverSealedRecord(recordOffset);
    case ArchiveStream::Result::kClosingSealBroken:
      EndEarly("the archive's closing" + At(recordOffset) + " does not open: the end of the archive was changed");
      return kNoMoreRecords;
    case ArchiveStream::Result::kNoClosing:
      EndEarly("the archive ends" + At(recordOffset) +
               " without its closing: it was cut short, and records after that may be missing");
      return kNoMoreRecords;
    case ArchiveStream::Result::kAfterClosing:
      // They begin where the closing, just read, ends.
      EndEarly("bytes follow the end of the archive" + At(m_stream.Offset()));
      return kNoMoreRecords;
    default:
      EndEarly("the kind code" + At(recordOffset) + " is cut short");
      return kNoMoreRecords;
  }
  DataItemFactory* factory = FindFactory(static_cast<int>(kindCode));
  if (factory == nullptr) {
    ++m_report.nUnknownKindCodes;
    // A sealed record's block heads open whatever its kind, so they can
    // be passed over instead of read as kind codes.
    return m_stream.IsSealed() ? PassOverSealedRecord(recordOffset, kindCode) : 0;
  }
  std::unique_ptr<DataItem> item = factory->Create();
  if (!item) {
    EndEarly("no restore operation could be made for the record" + At(recordOffset));
    return kStop;
  }
  RecordResult result;
  result.nKind = kindCode;
  result.strTarget = "record of kind " + std::to_string(kindCode) + At(recordOffset);

  const std::int32_t headSize = item->GetHeadSize();
  if (headSize < 4 || headSize > kMaxHeadSize) {
    item->Discard();
    result.outcome = RecordOutcome::kSkipped;
    result.strReason = "the restore operation states an impossible head size";
    m_report.records.push_back(result);
    EndEarly(result.strReason);
    return kStop;
  }
  std::vector<std::uint8_t> body;
  const ArchiveStream::Result headRead = m_stream.ReadHeadBody(static_cast<std::size_t>(headSize) - 4, &body);
  if (headRead != ArchiveStream::Result::kOk) {
    return StopInRecord(*item, std::move(result), headRead, "the record head" + At(recordOffset));
  }
  std::string damage;
  if (!item->SetHead(body)) {
    damage = "the record head" + At(recordOffset) + " holds a name or path without its terminator";
  } else if (item->IsProtected() != 0 && !m_bArchiveProtected) {
    damage = "the record is marked password protected, but the archive has no password";
  }
  result.strTarget = item->Describe();
  // A damaged record is never begun: its target stays as it was.
  const bool begun = damage.empty() && item->Begin();
  return ReadBlocks(*item, begun, std::move(damage), std::move(result));
}

std::int64_t ArchiveReader::ReadBlocks(DataItem& item, bool begun, std::string damage,
                                       RecordResult result) {
  std::int64_t recordSum = 0;
  std::uint64_t delivered = 0;
  // Once the record cannot reach its target (refused, damaged, a failed write),
  // the rest of its blocks are only framed, never decoded: a hostile archive must
  // not make us decode what nobody will keep.
  bool failed = !begun || !damage.empty();
  // Blocks are decoded ahead by the pool while the next ones are read, and handed
  // to the item strictly in order.
  OrderedBlocks blocks(item.IsProtected() != 0 || item.IsCompressed() != 0 ? Pool() : m_inline);
  std::deque<std::uint64_t> offsets;  // of the blocks in flight
  const auto deliverOldest = [&] {
    const std::unique_ptr<BlockPool::Task> task = blocks.TakeOldest();
    const std::uint64_t offset = offsets.front();
    offsets.pop_front();
    if (failed) return;
    const DataBuffer& buffer = *task->pBlock;
    if (!task->bOk || (item.IsCompressed() == 0 && buffer.Size() > kBlockSize)) {
      // A block decodes to one piece of at most kBlockSize bytes, or it is damage.
      ++m_report.nDamagedBlocks;
      damage = "the block" + At(offset) + " could not be decoded";
      failed = true;
      return;
    }
    const std::uint32_t size = static_cast<std::uint32_t>(buffer.Size());
    const std::uint32_t taken = item.Write(buffer.Data(), size);
    recordSum += taken;
    delivered += taken;
    failed = taken < size;
  };
  StreamBlock block;
  // A block head that states an impossible size is the block's fault, not the head's.
  const auto headProblem = [&](ArchiveStream::Result read) {
    const bool stated = read == ArchiveStream::Result::kTooLarge || read == ArchiveStream::Result::kBeyondEnd;
    const char* what = read == ArchiveStream::Result::kBadEndMarker ? "the end marker"
                       : stated                                    ? "the block"
                                                                   : "the block head";
    return StopInRecord(item, std::move(result), read, what + At(block.nOffset), block.nSize);
  };
  // A sealed end that does not open: the record was cut after a block, or changed.
  const auto endDoesNotOpen = [&](ArchiveStream::Result read) {
    if (read != ArchiveStream::Result::kSealBroken || !block.bLast) return false;
    while (!blocks.Empty()) deliverOldest();
    if (damage.empty()) {
      ++m_report.nDamagedBlocks;
      damage = "the end of the record" + At(block.nOffset) + " does not open: the record was cut short or changed";
    }
    failed = true;
    return true;
  };
  ArchiveStream::Result read = m_stream.ReadBlockHead(&block);
  if (read != ArchiveStream::Result::kOk && !endDoesNotOpen(read)) return headProblem(read);
  while (!block.bLast) {
    if (StopRequested()) {
      // The record stays unfinished, so its target stays as it was.
      item.Discard();
      m_report.bStopped = true;
      // The rest of the record is counted as left; its framing goes on after this
      // block, whose head is read and whose payload is not.
      m_bStoppedInRecord = true;
      m_bLeftFramed = m_stream.SkipPayload(block) == ArchiveStream::Result::kOk;
      return kStop;
    }
    read = m_stream.ReadPayload(&block);
    if (read == ArchiveStream::Result::kSealBroken || read == ArchiveStream::Result::kEmptySeal) {
      if (damage.empty()) {
        ++m_report.nDamagedBlocks;
        damage = "the block" + At(block.nOffset) + ArchiveStream::SealProblem(read);
      }
      failed = true;
    } else if (read != ArchiveStream::Result::kOk) {
      return StopInRecord(item, std::move(result), read, "the block" + At(block.nOffset));
    }
    if (block.nSize == 0 && damage.empty()) {
      // No writer makes one; a shifted frame does.
      ++m_report.nDamagedBlocks;
      damage = "the block" + At(block.nOffset) + " states no bytes, which no writer makes";
      failed = true;
    }
    if (!failed) {
      // In the sealed form the stream opened the payload already.
      auto buffer = std::make_unique<DataBuffer>(std::move(block.payload));
      if (item.IsProtected()) buffer->AddStage(std::make_unique<DESDecryptor>(m_strPassword));
      if (item.IsCompressed()) buffer->AddStage(std::make_unique<LZMADecompProcessor>());
      blocks.Add(std::move(buffer));
      offsets.push_back(block.nOffset);
    }
    read = m_stream.ReadBlockHead(&block);
    if (read != ArchiveStream::Result::kOk && !endDoesNotOpen(read)) return headProblem(read);
    m_progress.Post(MFCProgress::Percent(m_stream.Consumed(), m_stream.FileSize()), 0);
    m_progress.Tell(m_stream.Offset(), m_stream.FileSize(), result.strTarget);
    while (!blocks.Empty() && (blocks.Full() || block.bLast)) deliverOldest();
  }

  if (!damage.empty()) {
    item.Discard();
    result.outcome = RecordOutcome::kDamaged;
    result.strReason = damage;
  } else if (!begun) {
    item.Discard();
    result.outcome = RecordOutcome::kSkipped;
    result.strReason = item.SkipReason();
  } else if (SetCommitRecord(m_report.records.size()); !item.End()) {
    result.outcome = RecordOutcome::kSkipped;
    result.strReason = item.SkipReason();
  } else {
    result.outcome = RecordOutcome::kRestored;
    result.bReplaced = item.TargetExists();
    result.nBytes = delivered;
  }
  m_report.records.push_back(std::move(result));
  return recordSum;
}

}  // namespace qv
