#include "store/scan/archive_scanner.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <utility>

#include "platform/coding.h"
#include "platform/shared/last_error.h"
#include "processors/des_cryptors.h"
#include "processors/lzma_processors.h"
#include "store/data_buffer.h"
#include "store/scan/block_plain_size.h"
#include "store/scan/record_resync.h"

namespace qv {
namespace {

std::string At(std::uint64_t offset) { return " at offset " + std::to_string(offset); }

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
  return text;
}

void MarkDamaged(ScannedRecord& record, std::string problem, std::uint64_t offset) {
  // The first fault is the one to tell: what follows it is often its echo.
  if (record.state != RecordState::kSound) return;
  record.state = RecordState::kDamaged;
  record.strProblem = std::move(problem);
  record.nProblemOffset = offset;
}

}  // namespace

ArchiveScanner::ArchiveScanner(std::u16string archivePath, ScanOptions options)
    : m_strArchivePath(std::move(archivePath)), m_options(std::move(options)) {
  m_progress.SetTarget(m_options.hNotifyWindow);
  m_progress.SetSink(m_options.pProgress);
}

ScanReport ArchiveScanner::Run(ScanVisitor& visitor) {
  m_report = ScanReport();
  if (!m_stream.Open(m_strArchivePath, static_cast<std::uint32_t>(kArchiveHeaderSize))) {
    m_report.bOpenFailed = true;
    m_report.strOpenError = m_stream.ReadError();
    return m_report;
  }
  m_report.nFileSize = m_stream.FileSize();
  // As in a restore: only a protected header has a password behind it, so a
  // protected record in an archive without one cannot be decoded.
  m_bArchiveProtected = m_stream.HeaderIsProtected();
  if (!OpenSealedForm()) {
    m_stream.Close();
    return m_report;
  }
  m_bStoppedInRecord = false;
  for (;;) {
    // A stop after the last record stops nothing.
    if (StopRequested() && m_stream.Remaining() > 0) {
      m_report.bStopped = true;
      break;
    }
    if (!ScanRecord(visitor)) break;
  }
  if (m_report.bStopped) CountRecordsLeft(visitor);
  for (SkippedRange& range : m_report.skipped) range.bTrailing = range.nOffset + range.nLength >= m_report.nFileSize;
  m_stream.Close();
  return m_report;
}

bool ArchiveScanner::OpenSealedForm() {
  const std::optional<ArchiveHeader> header = m_stream.SealedHeader();
  if (!header) return true;
  SealKey key;
  // Nothing of a sealed archive, not even its names, shows without the password.
  if (!m_options.bHasPassword || !OpenSealedHeader(*header, m_options.strPassword, &key)) {
    EndEarly(m_options.bHasPassword ? "the password does not open the archive's header"
                                    : "the archive is sealed: its records show only with its password");
    return false;
  }
  m_stream.UseSealKey(key);
  return true;
}

bool ArchiveScanner::PassOverSealedRecord(std::uint64_t at, std::string reason) {
  // Its block heads open on their own, so the records after it can still be reached.
  StreamBlock block;
  std::string end;
  for (;;) {
    ArchiveStream::Result read = m_stream.ReadBlockHead(&block);
    if (block.bLast && (read == ArchiveStream::Result::kOk || read == ArchiveStream::Result::kSealBroken)) break;
    if (read == ArchiveStream::Result::kOk) read = m_stream.ReadPayload(&block);
    if (read != ArchiveStream::Result::kOk && read != ArchiveStream::Result::kSealBroken &&
        read != ArchiveStream::Result::kEmptySeal) {
      end = "the blocks of the record" + At(at) + " cannot be framed";
      break;
    }
  }
  if (reason.empty()) {
    ++m_report.nSealBroken;
    reason = "a record head that does not open: changed, moved or taken from another archive";
  }
  m_report.skipped.push_back({at, m_stream.Offset() - at, std::move(reason), false});
  if (end.empty()) return true;
  EndEarly(std::move(end));
  return false;
}

void ArchiveScanner::EndEarly(std::string reason) {
  if (m_report.bEndedEarly) return;
  m_report.bEndedEarly = true;
  m_report.strEndReason = std::move(reason);
}

void ArchiveScanner::PostProgress() {
  if (m_report.nFileSize != 0) m_progress.PostPercent(m_stream.Offset(), m_report.nFileSize);
}

bool ArchiveScanner::ScanRecord(ScanVisitor& visitor) {
  const std::uint64_t at = m_stream.Offset();
  std::uint32_t kind = 0;
  switch (m_stream.ReadKindCode(&kind)) {
    case ArchiveStream::Result::kOk:
      break;
    case ArchiveStream::Result::kEnd:
      return false;
    case ArchiveStream::Result::kReadFailed:
      EndEarly("cannot read the kind code" + At(at) + " (" + m_stream.ReadError() + ")");
      return false;
    case ArchiveStream::Result::kSealBroken:
      return PassOverSealedRecord(at, {});
    case ArchiveStream::Result::kClosingSealBroken:
      EndEarly("the archive's closing" + At(at) + " does not open: the end of the archive was changed");
      return false;
    case ArchiveStream::Result::kNoClosing:
      EndEarly("the archive ends" + At(at) + " without its closing: it was cut short, and records may be missing");
      return false;
    case ArchiveStream::Result::kAfterClosing: {
      // They begin where the closing, just read, ends.
      const std::uint64_t after = m_stream.Offset();
      m_report.skipped.push_back({after, m_report.nFileSize - after, "bytes after the end of the archive", true});
      EndEarly("bytes follow the end of the archive" + At(after));
      return false;
    }
    default:
      m_report.skipped.push_back({at, m_report.nFileSize - at, "a kind code cut short by the end of the file", true});
      return false;
  }
  if (kind != kFileItemKind && kind != kRegItemKind) {
    // A sealed record's block heads open whatever its kind.
    if (m_stream.IsSealed()) {
      ++m_report.nUnknownKindCodes;
      return PassOverSealedRecord(at, "a record of unknown kind " + Hex(kind));
    }
    return PassOverUnknownKind(at, kind);
  }

  ScannedRecord record;
  record.nOffset = at;
  record.nKind = kind;
  ArchiveStream::Result headRead = ArchiveStream::Result::kOk;
  if (!ReadHead(record, &headRead)) {
    record.state = RecordState::kCutShort;
    record.strProblem = "the record head" + At(at) + " is cut short";
    if (headRead == ArchiveStream::Result::kReadFailed) record.strProblem += " (" + m_stream.ReadError() + ")";
    record.nProblemOffset = at;
    record.nEndOffset = m_stream.Offset();
    (void)visitor.OnRecordHead(record);  // nothing of it can be decoded
    visitor.OnRecordEnd(record);
    EndEarly("the archive ends inside the record" + At(at));
    return false;
  }
  if (!record.bHeadTerminated) {
    MarkDamaged(record, "the record head" + At(at) + " holds a name or path without its terminator", at);
  } else if (record.bProtected && !m_bArchiveProtected) {
    MarkDamaged(record, "the record is marked password protected, but the archive has no password", at);
  }
  const bool wanted = visitor.OnRecordHead(record);
  const bool decode = wanted && record.state == RecordState::kSound && (!record.bProtected || m_options.bHasPassword);
  return ScanBlocks(record, decode, visitor);
}

bool ArchiveScanner::ReadHead(ScannedRecord& record, ArchiveStream::Result* read) {
  const bool isFile = record.nKind == kFileItemKind;
  const std::size_t headSize = isFile ? kFileItemHeadSize : kRegItemHeadSize;
  // A head cut short still comes back whole, zero-filled after the cut, so that
  // what it names can be told.
  *read = m_stream.ReadHeadBody(headSize - 4, &record.head);
  record.bHeadTerminated = isFile ? DecodeFileItemHeadBody(record.head, &record.file)
                                  : DecodeRegItemHeadBody(record.head, &record.value);
  const std::uint8_t* flags = record.head.data() + (isFile ? kFileItemSize : kRegItemSize);
  record.bCompressed = flags[0] != 0;
  record.bProtected = flags[1] != 0;
  record.bSealed = m_stream.IsSealed();
  return *read == ArchiveStream::Result::kOk;
}

void ArchiveScanner::CountRecordsLeft(ScanVisitor& visitor) {
  // Framing only: a stopped scan must end soon, and decodes nothing more.
  bool exact = !m_bStoppedInRecord || m_stream.SkipRecordRest() == ArchiveStream::Result::kOk;
  while (exact) {
    ScannedRecord record;
    record.nOffset = m_stream.Offset();
    const ArchiveStream::Result read = m_stream.ReadKindCode(&record.nKind);
    if (read == ArchiveStream::Result::kEnd) break;
    ArchiveStream::Result headRead = ArchiveStream::Result::kOk;
    if (read != ArchiveStream::Result::kOk) {
      exact = false;
    } else if (record.nKind != kFileItemKind && record.nKind != kRegItemKind) {
      continue;  // passed over four bytes at a time, as the scan does without salvage
    } else if (!ReadHead(record, &headRead)) {
      exact = false;
    } else {
      ++m_report.nRecordsLeft;
      visitor.OnRecordLeft(record);
      exact = m_stream.SkipRecordRest() == ArchiveStream::Result::kOk;
    }
  }
  m_report.bRecordsLeftExact = exact;
}

bool ArchiveScanner::ScanBlocks(ScannedRecord& record, bool decode, ScanVisitor& visitor) {
  const std::u16string* password = m_options.bHasPassword ? &m_options.strPassword : nullptr;
  StreamBlock block;
  for (;;) {
    if (StopRequested()) {
      if (record.state == RecordState::kSound) {
        record.state = RecordState::kStopped;
        record.strProblem = "stopped inside it, as asked";
        record.nProblemOffset = m_stream.Offset();
      }
      m_report.bStopped = true;
      m_bStoppedInRecord = true;
      record.nEndOffset = m_stream.Offset();
      visitor.OnRecordEnd(record);
      return false;
    }
    ArchiveStream::Result read = m_stream.ReadBlockHead(&block);
    if (read == ArchiveStream::Result::kSealBroken && block.bLast) {
      MarkDamaged(record, "the end of the record" + At(block.nOffset) + " does not open: the record was cut short or changed",
                  block.nOffset);
      break;
    }
    if (read != ArchiveStream::Result::kOk) return StopAtBlock(record, read, block, false, visitor);
    if (block.bLast) break;
    if (block.nSize == 0) {
      MarkDamaged(record, "the block" + At(block.nOffset) + " states no bytes, which no writer makes", block.nOffset);
      if (m_options.bSalvage && !m_stream.IsSealed()) {
        record.nEndOffset = m_stream.Offset();
        visitor.OnRecordEnd(record);
        return Resync(record.nOffset, record.nOffset + 1, "the framing of the record" + At(record.nOffset) + " is damaged");
      }
      // A restore reads on the way the block head says; so does the scan.
      continue;
    }
    read = m_stream.ReadPayload(&block);
    if (read == ArchiveStream::Result::kSealBroken || read == ArchiveStream::Result::kEmptySeal) {
      ++record.nBlocks;
      record.nStoredBytes += block.nSize;
      MarkDamaged(record, "the block" + At(block.nOffset) + ArchiveStream::SealProblem(read), block.nOffset);
      record.bPlainKnown = false;
      continue;
    }
    if (read != ArchiveStream::Result::kOk) return StopAtBlock(record, read, block, true, visitor);
    ++record.nBlocks;
    record.nStoredBytes += block.nSize;
    if (decode && record.state == RecordState::kSound) {
      DataBuffer buffer(block.payload.data(), block.payload.size());
      if (record.bProtected) buffer.AddStage(std::make_unique<DESDecryptor>(m_options.strPassword));
      if (record.bCompressed) buffer.AddStage(std::make_unique<LZMADecompProcessor>());
      if (!buffer.Run()) {
        MarkDamaged(record, "the block" + At(block.nOffset) + " could not be decoded: " + LastErrorTextOfThread(),
                    block.nOffset);
        record.bPlainKnown = false;
      } else if (!record.bCompressed && buffer.Size() > kBlockSize) {
        MarkDamaged(record,
                    "the block" + At(block.nOffset) + " holds " + std::to_string(buffer.Size()) +
                        " bytes, more than one block's piece of " + std::to_string(kBlockSize),
                    block.nOffset);
        record.bPlainKnown = false;
      } else {
        record.nPlainBytes += buffer.Size();
        visitor.OnRecordData(buffer.Data(), static_cast<std::uint32_t>(buffer.Size()));
      }
    } else if (record.bPlainKnown) {
      const std::optional<std::uint64_t> plain =
          StatedPlainSize(block.payload, record.bCompressed, record.bProtected, password);
      if (plain) {
        record.nPlainBytes += *plain;
      } else {
        record.bPlainKnown = false;
      }
    }
    PostProgress();
  }
  record.nEndOffset = m_stream.Offset();
  // The end marker writers make is 1 and seven zeros; another first byte may be
  // data that a shrunken block length put there.
  if (block.nLastByte != 1 && !m_stream.IsSealed()) CheckWhatFollows(record, block.nOffset);
  visitor.OnRecordEnd(record);
  PostProgress();
  return true;
}

void ArchiveScanner::CheckWhatFollows(ScannedRecord& record, std::uint64_t endMarkerOffset) {
  // A block length that shrank can still end in something that reads as an end
  // marker; what comes next then is the rest of the record, not a record head.
  // Zeros are left alone (padding, or a cleared sector), and so is a record head
  // whose kind code or names are damaged: neither is this record's fault.
  if (m_stream.Remaining() < 4) return;
  std::vector<std::uint8_t> next;
  if (m_stream.ReadAvailable(kRecordProbeSize, &next) != ArchiveStream::Result::kOk || next.size() < 4) return;
  if (!m_stream.SeekTo(record.nEndOffset)) return;
  const std::uint32_t kind = DecodeFixed32(next.data());
  if (kind == kFileItemKind || kind == kRegItemKind || kind == 0) return;
  if (IsDamagedRecordHead(next, m_stream.Remaining())) return;
  MarkDamaged(record,
              "the bytes after its end marker" + At(endMarkerOffset) + " start no record: its block lengths are damaged",
              endMarkerOffset);
}

bool ArchiveScanner::StopAtBlock(ScannedRecord& record, ArchiveStream::Result read, const StreamBlock& block,
                                 bool inPayload, ScanVisitor& visitor) {
  const std::string where = At(block.nOffset);
  const std::string stated = " states " + std::to_string(block.nSize) + (block.nSize == 1 ? " byte" : " bytes");
  std::string end;  // why the scan cannot go on, when it cannot
  switch (read) {
    case ArchiveStream::Result::kTooLarge:
      MarkDamaged(record, "the block" + where + stated + ", more than any block holds", block.nOffset);
      end = "the records after offset " + std::to_string(block.nOffset) + " cannot be framed";
      break;
    case ArchiveStream::Result::kBlockHeadSealBroken:
      MarkDamaged(record, "the block head" + where + ArchiveStream::SealProblem(read), block.nOffset);
      end = "the records after offset " + std::to_string(block.nOffset) + " cannot be framed";
      break;
    case ArchiveStream::Result::kBadEndMarker:
      MarkDamaged(record,
                  "the end marker" + where + " holds bytes that an end marker leaves zero: a block length before it "
                  "is damaged",
                  block.nOffset);
      end = "the records after offset " + std::to_string(block.nOffset) + " cannot be framed";
      break;
    case ArchiveStream::Result::kBeyondEnd:
      if (m_options.bSalvage) {
        MarkDamaged(record, "the block" + where + stated + ", more than the file holds after it", block.nOffset);
      } else if (record.state == RecordState::kSound) {
        record.state = RecordState::kCutShort;
        record.strProblem = "the block" + where + stated + ", the archive holds " +
                            std::to_string(m_stream.Remaining()) + " more";
        record.nProblemOffset = block.nOffset;
      }
      end = "the archive ends inside the record" + At(record.nOffset);
      break;
    default:
      if (record.state == RecordState::kSound) {
        record.state = RecordState::kCutShort;
        record.strProblem = "the block" + std::string(inPayload ? "" : " head") + where + " is cut short";
        if (read == ArchiveStream::Result::kReadFailed) record.strProblem += " (" + m_stream.ReadError() + ")";
        record.nProblemOffset = block.nOffset;
      }
      end = "the archive ends inside the record" + At(record.nOffset);
      if (read == ArchiveStream::Result::kReadFailed) end += " (" + m_stream.ReadError() + ")";
      break;
  }
  record.nEndOffset = m_stream.Offset();
  visitor.OnRecordEnd(record);
  // A sealed head shows nothing to look for, so salvage cannot find the next one.
  const bool salvageable = !m_stream.IsSealed() && (read == ArchiveStream::Result::kTooLarge || read == ArchiveStream::Result::kBeyondEnd ||
                           read == ArchiveStream::Result::kBadEndMarker);
  if (m_options.bSalvage && salvageable) {
    if (Resync(record.nOffset, record.nOffset + 1, "the framing of the record" + At(record.nOffset) + " is damaged")) {
      return true;
    }
    // No record follows: the size may be damaged or the file cut; either way the
    // archive ends inside this record.
    if (read != ArchiveStream::Result::kBeyondEnd) return false;
  }
  EndEarly(std::move(end));
  return false;
}

bool ArchiveScanner::PassOverUnknownKind(std::uint64_t at, std::uint32_t kind) {
  if (m_options.bSalvage) return Resync(at, at + 1, "unknown kind code " + Hex(kind) + At(at));
  // The format's rule without salvage: four bytes at a time, as a restore reads.
  ++m_report.nUnknownKindCodes;
  if (!m_report.skipped.empty() && m_report.skipped.back().nOffset + m_report.skipped.back().nLength == at) {
    m_report.skipped.back().nLength += 4;
  } else {
    m_report.skipped.push_back({at, 4, "unknown kind codes, passed over four bytes at a time", false});
  }
  return true;
}

bool ArchiveScanner::Resync(std::uint64_t rangeStart, std::uint64_t searchFrom, std::string reason) {
  const std::optional<std::uint64_t> next = FindNextRecordHead(m_stream, searchFrom);
  if (!next && !m_stream.ReadError().empty()) {
    EndEarly("cannot read on after offset " + std::to_string(rangeStart) + " (" + m_stream.ReadError() + ")");
    return false;
  }
  const std::uint64_t end = next.value_or(m_report.nFileSize);
  m_report.skipped.push_back({rangeStart, end - rangeStart, std::move(reason), !next});
  if (!next) return false;
  if (!m_stream.SeekTo(*next)) {
    EndEarly("cannot read on at offset " + std::to_string(*next) + " (" + m_stream.ReadError() + ")");
    return false;
  }
  return true;
}

}  // namespace qv
