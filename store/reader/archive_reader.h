// store/reader/ owns the way out of an archive for a restore: the stream that frames
// it and the reader that hands each record to its restore operation.
//
// ArchiveReader: restores every record of an archive whose header and password the
// restore job has already accepted.
//
// Each record gets a fresh restore operation from the first factory whose key
// matches its kind code; each block gets fresh decryption and decompression stages.
// The factories and the commit hook come from the restore job, so the reader knows
// no record kind of its own.
// An archive is untrusted: a record the file cannot supply in full ends the restore
// (what was restored before stays), and a block that states a size no decoder
// accepts is damage, never an allocation.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/win_types.h"
#include "store/block_pool.h"
#include "store/mfc_progress.h"
#include "store/reader/archive_stream.h"
#include "store/reader/data_item_factory.h"
#include "store/reader/restore_commit_hook.h"
#include "store/reader/restore_report.h"

namespace qv {

class ArchiveReader {
 public:
  // ReadRecord's results besides a byte count.
  static constexpr std::int64_t kStop = -1;
  static constexpr std::int64_t kNoMoreRecords = -2;

  using Factories = std::vector<std::unique_ptr<Factory<DataItem, int>>>;

  // `commitHook` (may be null) puts what the items queued in place; it outlives Run.
  ArchiveReader(std::u16string archivePath, std::u16string password, Factories factories,
                RestoreCommitHook* commitHook = nullptr);
  ArchiveReader(const ArchiveReader&) = delete;
  ArchiveReader& operator=(const ArchiveReader&) = delete;

  // Progress goes to `window` as `message` (position in percent, 0); 0 posts nothing.
  void SetNotifyWindow(WindowHandle window, std::uint32_t message);
  // Once `flag` (may be null) is set, the record being read is dropped and Run ends.
  void SetStopFlag(const std::atomic<bool>* flag) { m_pStopFlag = flag; }

  // Restores every record; returns the bytes that the restore operations accepted.
  std::uint64_t Run();
  // Restores one record: >= 0 the bytes its operation accepted (0 also for a kind
  // code without a factory), kStop when the archive cannot be read on, kNoMoreRecords
  // at the end.
  std::int64_t ReadRecord();

  const RestoreReport& Report() const { return m_report; }

 private:
  DataItemFactory* FindFactory(int kind) const;
  // For a sealed archive: the key from the password, handed to the stream. False
  // (and the restore ended) when the password does not open the header.
  bool OpenSealedForm();
  // A sealed head that does not open, or (`unknownKind`) one of a kind without a
  // factory: the record is reported damaged and its blocks framed over; kStop
  // when they cannot be.
  std::int64_t PassOverSealedRecord(std::uint64_t recordOffset, std::uint32_t unknownKind = 0);
  // The blocks of the record whose head `item` took, decoded and offered to it up
  // to the end marker; then the record's outcome.
  std::int64_t ReadBlocks(DataItem& item, bool begun, std::string damage, RecordResult result);
  void EndEarly(std::string reason);
  bool StopRequested() const { return m_pStopFlag != nullptr && m_pStopFlag->load(std::memory_order_relaxed); }
  // Ends the restore inside a record that the stream could not frame; `what` is
  // the piece that failed ("the block at offset 1164").
  std::int64_t StopInRecord(DataItem& item, RecordResult result, ArchiveStream::Result read,
                            const std::string& what, std::uint32_t statedSize = 0);

  void SetCommitRecord(std::size_t record) {
    if (m_pCommitHook != nullptr) m_pCommitHook->SetRecord(record);
  }
  // Marks the records whose target did not make it into place.
  void NoteCommitFailures(const std::vector<CommitFailure>& failures);

  // Decoding threads, made for the first record that has anything to decode.
  BlockPool& Pool();

  RestoreCommitHook* m_pCommitHook;
  std::unique_ptr<BlockPool> m_pPool;
  BlockPool m_inline{0};  // plain blocks: nothing to decode, so no threads
  MFCProgress m_progress;
  ArchiveStream m_stream;
  std::u16string m_strArchivePath;
  Factories m_factories;
  std::u16string m_strPassword;
  std::uint32_t m_nHeaderSize;
  bool m_bArchiveProtected = false;
  const std::atomic<bool>* m_pStopFlag = nullptr;
  RestoreReport m_report;
};

}  // namespace qv
