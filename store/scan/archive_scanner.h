// ArchiveScanner: reads an archive record by record through ArchiveStream and
// tells a visitor what each record is, where it lies, what it holds and whether it
// is sound, without restoring anything. Listing, checking, extracting and
// exporting an archive all read it this way.
//
// Stricter than a restore where a writer could never have written the bytes: an
// end marker that states a size, or a data block of no bytes, makes its record
// damaged. With salvage, damage that breaks the framing (such a block head, a size
// no block can have, an unknown kind code) makes the scanner look for the next
// plausible record head (store/scan/record_resync.h) and go on from there, so that
// one damaged stretch costs the records it touches and not the rest of the file.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/win_types.h"
#include "store/mfc_progress.h"
#include "store/reader/archive_stream.h"
#include "store/scan/scanned_record.h"

namespace qv {

struct ScanOptions {
  bool bSalvage = false;
  // The archive's password, for protected records. Without one they are framed
  // but not decoded, and a compressed one's plain size stays unknown.
  bool bHasPassword = false;
  std::u16string strPassword;
  WindowHandle hNotifyWindow = 0;  // receives WM_JOB_PROGRESS; 0 = none
  const std::atomic<bool>* pStopFlag = nullptr;  // may be null
};

class ScanVisitor {
 public:
  virtual ~ScanVisitor() = default;
  // A record's head was read (record.state may already say it is damaged or cut
  // short). True asks for its blocks to be decoded and handed to OnRecordData.
  virtual bool OnRecordHead(const ScannedRecord& record) = 0;
  // One decoded block of the record whose head came last, in order.
  virtual void OnRecordData(const std::uint8_t* data, std::uint32_t size) = 0;
  // The record is over; its sizes and state are final. Follows every OnRecordHead.
  virtual void OnRecordEnd(const ScannedRecord& record) = 0;
};

class ArchiveScanner {
 public:
  ArchiveScanner(std::u16string archivePath, ScanOptions options);
  ArchiveScanner(const ArchiveScanner&) = delete;
  ArchiveScanner& operator=(const ArchiveScanner&) = delete;

  // Reads the archive after its 116-byte header, which the caller has checked.
  ScanReport Run(ScanVisitor& visitor);

 private:
  // For a sealed archive: the key from the password, handed to the stream. False
  // (and the scan ended) without a password that opens the header.
  bool OpenSealedForm();
  // Frames over the blocks of a sealed record whose head did not open (empty
  // `reason`) or that cannot be read (`reason` says why).
  bool PassOverSealedRecord(std::uint64_t at, std::string reason);
  bool ScanRecord(ScanVisitor& visitor);
  bool ScanBlocks(ScannedRecord& record, bool decode, ScanVisitor& visitor);
  bool PassOverUnknownKind(std::uint64_t at, std::uint32_t kind);
  void CheckWhatFollows(ScannedRecord& record, std::uint64_t endMarkerOffset);
  // Ends `record` at a block head the stream could not use; true when the scan
  // goes on (salvage found another record).
  bool StopAtBlock(ScannedRecord& record, ArchiveStream::Result read, const StreamBlock& block, bool inPayload,
                   ScanVisitor& visitor);
  bool Resync(std::uint64_t rangeStart, std::uint64_t searchFrom, std::string reason);
  void EndEarly(std::string reason);
  void PostProgress();
  bool StopRequested() const { return m_options.pStopFlag != nullptr && m_options.pStopFlag->load(); }

  std::u16string m_strArchivePath;
  ScanOptions m_options;
  MFCProgress m_progress;
  ArchiveStream m_stream;
  bool m_bArchiveProtected = false;
  ScanReport m_report;
};

}  // namespace qv
