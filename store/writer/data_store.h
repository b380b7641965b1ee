// store/writer/ owns the way into an archive: backup items, the walk of a source,
// the store writer and the progress and stop policies it reports through.
//
// The store writer: appends one record per item of one backup item to the archive.
// Record layout: docs/format.md.
//
// Policies, all supplied by the backup item:
//   Reader      Open(item) -> bool, Size(), Head(), Read(buffer of kBlockSize) -> count,
//               ReadFailed(), Close(), SkipReason() (empty: not a source, say nothing),
//               static Describe(item) for the report.
//   HeadInitor  static Init(head, reader, compress, protect), static Encode(head).
//   CompProcessor, Encryptor  the stages, made anew for every block.
//   Progress    SetTarget(window, message), SetSink(sink), Post(wParam, lParam),
//               PostPercent(done, total), Tell(done, total).
//   ThreadCtrl  SetStopFlag(flag), ShouldStop().
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "platform/unique_handles.h"
#include "processors/seal_cryptors.h"
#include "store/block_pool.h"
#include "store/data_buffer.h"
#include "store/progress_sink.h"
#include "store/records.h"
#include "store/writer/store_report.h"

namespace qv {

template <class Item, class Reader, class ItemHead, class HeadInitor, class CompProcessor,
          class Encryptor, class Progress, class ThreadCtrl>
class DataStore {
 public:
  // With `sealKey` (kept by the caller while the store lives) every record is
  // written in the sealed form, and `protect` must be off.
  DataStore(std::u16string archivePath, bool compress, bool protect, std::u16string password,
            const SealKey* sealKey = nullptr)
      : m_strArchivePath(std::move(archivePath)),
        m_bCompress(compress),
        m_bProtect(protect && sealKey == nullptr),
        m_strPassword(std::move(password)),
        m_pSealKey(sealKey) {}
  ~DataStore() { CloseArchive(); }
  DataStore(const DataStore&) = delete;
  DataStore& operator=(const DataStore&) = delete;

  void SetNotifyWindow(WindowHandle window, std::uint32_t message) {
    m_progress.SetTarget(window, message);
  }
  // Told the bytes done of those Measure counts, beside each window post.
  void SetProgressSink(ProgressSink* sink) { m_progress.SetSink(sink); }
  void SetStopFlag(const std::atomic<bool>* flag) { m_threadCtrl.SetStopFlag(flag); }
  void Reserve(std::size_t items) { m_sizes.reserve(items); }
  // `size`: the source's size when the caller knows it already, so that measuring
  // it costs nothing; unknown sizes are measured by opening the source.
  void AddItem(const Item& item, std::optional<std::uint64_t> size = std::nullopt) {
    m_items.push_back(item);
    m_sizes.push_back(size);
  }

  // The items that are sources (a folder is none) and their bytes, measured once,
  // before the first record: what Store will write when nothing changes meanwhile.
  StoreMeasure Measure() {
    if (m_measured) return *m_measured;
    StoreMeasure measured;
    for (std::size_t i = 0; i < m_items.size(); ++i) {
      if (m_sizes[i]) {
        ++measured.nRecords;
        measured.nBytes += *m_sizes[i];
        continue;
      }
      Reader sizer;
      if (sizer.Open(m_items[i])) {
        ++measured.nRecords;
        measured.nBytes += sizer.Size();
      }
      sizer.Close();
    }
    m_measured = measured;
    return measured;
  }

  // Writes one record per item; returns the source bytes stored. Once the stop
  // flag is set, the record being written ends there and no other is begun.
  std::uint64_t Store() {
    m_nTotalBytes = Measure().nBytes;
    m_nDoneBytes = 0;
    m_nStoredBytes = 0;
    m_progress.Post(0, kProgressRange);
    m_progress.Post(0, 0);
    m_progress.Tell(0, m_nTotalBytes);
    if (!OpenForAppend()) {
      m_report.bArchiveOpenFailed = true;
      m_report.NoteFailure("cannot open the archive for writing: " + Os().LastErrorText());
      return 0;
    }
    for (const Item& item : m_items) {
      // After a failed write the archive is lost anyway: reading and compressing
      // the rest would only make the user wait for nothing; after a stop, the user
      // wants no more.
      if (m_report.nWriteFailures != 0 || m_report.bStopped) break;
      if (m_threadCtrl.ShouldStop()) {
        m_report.bStopped = true;
        break;
      }
      StoreItem(item);
    }
    CloseArchive();
    m_report.nSourceBytes = m_nStoredBytes;
    return m_nStoredBytes;
  }

  // Opens the archive for writing at its end, creating it when missing.
  [[nodiscard]] bool OpenForAppend() {
    CloseArchive();
    if (Os().PathFileExistsW(m_strArchivePath)) {
      m_archive = UniqueFile(
          Os().CreateFileW(m_strArchivePath, kGenericWrite, kFileShareRead, kOpenExisting));
      // Sealed records are bound to their offset in the file, so it must be known.
      if (m_archive.Valid() && !Os().SetFilePointer(m_archive.Get(), 0, kFileEnd, &m_nArchiveOffset)) {
        CloseArchive();  // appending anywhere but the end would overwrite records
      }
    } else {
      m_archive = UniqueFile(
          Os().CreateFileW(m_strArchivePath, kGenericWrite, kFileShareRead, kCreateAlways));
      m_nArchiveOffset = 0;
    }
    return m_archive.Valid();
  }

  // Writes one record; returns the archive bytes written for it.
  std::uint64_t StoreItem(const Item& item) {
    if (!m_reader.Open(item)) {
      if (!m_reader.SkipReason().empty()) {
        m_report.skipped.push_back({Reader::Describe(item), m_reader.SkipReason()});
      }
      m_reader.Close();
      return 0;
    }
    std::uint64_t written = 0;
    ItemHead head;
    HeadInitor::Init(head, m_reader, m_bCompress, m_bProtect);
    const auto headBytes = HeadInitor::Encode(head);
    // Every sealed piece of the record is bound to where its head lies.
    const std::uint64_t recordOffset = m_nArchiveOffset + m_buffer.size();
    std::uint32_t sealIndex = 0;
    if (m_pSealKey) {
      std::vector<std::uint8_t> plain(kSealedHeadPlainSize, 0);
      std::copy(headBytes.begin(), headBytes.end(), plain.begin());
      std::vector<std::uint8_t> sealed;
      if (!SealPiece(*m_pSealKey, SealPlace{recordOffset, 0, SealRole::kHead}, plain, &sealed)) {
        ++m_report.nStageFailures;
        m_report.NoteFailure("sealing the record head of " + Reader::Describe(item) + " failed");
        m_reader.Close();
        return 0;
      }
      Write(sealed.data(), sealed.size(), written);
    } else {
      Write(headBytes.data(), headBytes.size(), written);
    }
    if (m_report.nWriteFailures != 0) {
      m_reader.Close();
      return written;
    }

    // One piece buffer for every record: a fresh, zeroed 100 KB for each small
    // favorite would cost more than reading it.
    if (m_piece.size() != kBlockSize) m_piece.resize(kBlockSize);
    std::vector<std::uint8_t>& piece = m_piece;
    std::uint64_t itemBytes = 0;
    std::uint64_t writtenBytes = 0;  // source bytes whose blocks are in the buffer
    // Blocks are encoded ahead by the pool and written strictly in order; a plain
    // block has no stage to run and goes straight through. A record of one block
    // has nothing to overlap, so handing it to a worker would only add a wait.
    OrderedBlocks blocks(m_reader.Size() <= kBlockSize ? m_inline : Pool());
    const auto writeOldest = [&] {
      const std::unique_ptr<BlockPool::Task> task = blocks.TakeOldest();
      const DataBuffer& block = *task->pBlock;
      if (!task->bOk) {
        ++m_report.nStageFailures;
        m_report.NoteFailure("the compression or encryption stage failed on a block of " +
                             Reader::Describe(item));
      }
      if (!WriteBlockHead(BlockHead{0, static_cast<std::uint32_t>(block.Size())}, item, written)) return false;
      Write(block.Data(), block.Size(), written);
      if (m_report.nWriteFailures != 0) return false;
      const std::size_t count = block.InputSize();
      writtenBytes += count;
      m_nDoneBytes += count;
      m_progress.PostPercent(m_nDoneBytes, m_nTotalBytes);
      return true;
    };
    bool writing = true;
    for (std::uint32_t count = m_reader.Read(piece.data()); count > 0;
         count = m_reader.Read(piece.data())) {
      if (m_threadCtrl.ShouldStop()) {
        m_report.bStopped = true;
        break;
      }
      itemBytes += count;
      auto block = std::make_unique<DataBuffer>(piece.data(), count);
      if (m_bCompress) block->AddStage(std::make_unique<CompProcessor>());
      if (m_bProtect) block->AddStage(std::make_unique<Encryptor>(m_strPassword));
      if (m_pSealKey) {
        block->AddStage(std::make_unique<SealEncryptor>(*m_pSealKey, SealPlace{recordOffset, ++sealIndex,
                                                                               SealRole::kBlock}));
      }
      blocks.Add(std::move(block));
      if (blocks.Full() && !(writing = writeOldest())) break;
    }
    while (writing && !blocks.Empty()) writing = writeOldest();
    blocks.Clear();  // after a failed write: what was still in flight is dropped
    if (m_reader.ReadFailed()) {
      m_report.skipped.push_back(
          {Reader::Describe(item), "reading failed after " + std::to_string(itemBytes) +
                                       " bytes; only those bytes are stored"});
    }
    m_reader.Close();
    if (m_report.nWriteFailures != 0) return written;
    // A sealed record's end carries a tag, so that a cut after any block is found.
    std::vector<std::uint8_t> endTag;
    if (m_pSealKey &&
        !SealPiece(*m_pSealKey, SealPlace{recordOffset, sealIndex + 1, SealRole::kRecordEnd}, {}, &endTag)) {
      ++m_report.nStageFailures;
      m_report.NoteFailure("sealing the end of " + Reader::Describe(item) + " failed");
      return written;
    }
    // Stored once the flush that takes its end marker succeeds; one that fails before
    // then leaves the record incomplete. So a failed backup reports what it stored,
    // and a stopped one not the record it stopped in, which the end marker only
    // keeps framed.
    if (!m_report.bStopped) {
      m_nBufferedSourceBytes += writtenBytes;
      ++m_nBufferedRecords;
    }
    if (WriteBlockHead(BlockHead{1, static_cast<std::uint32_t>(endTag.size())}, item, written)) {
      Write(endTag.data(), endTag.size(), written);
    }
    return written;
  }

  const StoreReport& Report() const { return m_report; }

  StoreReport TakeReport() { return std::move(m_report); }

 private:
  static constexpr std::int64_t kProgressRange = 100;

  BlockPool& Pool() {
    // Plain blocks have nothing to encode, so they need no threads.
    if (!m_pPool) {
      m_pPool = std::make_unique<BlockPool>(m_bCompress || m_bProtect || m_pSealKey ? BlockPool::DefaultWorkers()
                                                                                    : 0);
    }
    return *m_pPool;
  }

  // Records go to the archive through one buffer: a small record then costs no
  // write of its own. A failed write surfaces at the next flush, and the job fails.
  static constexpr std::size_t kWriteBufferSize = 1024 * 1024;

  // A block head or end marker; in the sealed form sealed where it lies, so that
  // nobody without the key can frame the blocks and learn their lengths.
  bool WriteBlockHead(const BlockHead& blockHead, const Item& item, std::uint64_t& written) {
    const BlockHeadBytes bytes = EncodeBlockHead(blockHead);
    if (!m_pSealKey) {
      Write(bytes.data(), bytes.size(), written);
      return true;
    }
    const std::uint64_t at = m_nArchiveOffset + m_buffer.size();
    std::vector<std::uint8_t> sealed;
    if (!SealPiece(*m_pSealKey, SealPlace{at, 0, SealRole::kBlockHead}, bytes, &sealed)) {
      ++m_report.nStageFailures;
      m_report.NoteFailure("sealing a block head of " + Reader::Describe(item) + " failed");
      return false;
    }
    Write(sealed.data(), sealed.size(), written);
    return true;
  }

  void Write(const void* data, std::size_t size, std::uint64_t& written) {
    if (!m_archive.Valid() || size == 0 || m_report.nWriteFailures != 0) return;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    if (m_buffer.capacity() < kWriteBufferSize) m_buffer.reserve(kWriteBufferSize + 2 * kBlockSize);
    m_buffer.insert(m_buffer.end(), bytes, bytes + size);
    written += size;
    if (m_buffer.size() >= kWriteBufferSize) FlushBuffer();
  }

  void FlushBuffer() {
    if (m_buffer.empty() || !m_archive.Valid()) return;
    std::size_t done = 0;
    while (done < m_buffer.size()) {
      std::uint32_t count = 0;
      const std::size_t piece = std::min<std::size_t>(m_buffer.size() - done, 0x40000000);
      if (!Os().WriteFile(m_archive.Get(), m_buffer.data() + done, static_cast<std::uint32_t>(piece), &count) ||
          count == 0) {
        ++m_report.nWriteFailures;
        m_report.NoteFailure("writing the archive failed: " + Os().LastErrorText());
        break;
      }
      done += count;
    }
    m_report.nArchiveBytes += done;
    m_nArchiveOffset += done;
    if (done == m_buffer.size()) {
      m_nStoredBytes += m_nBufferedSourceBytes;
      m_report.nRecords += m_nBufferedRecords;
    }
    m_nBufferedSourceBytes = 0;
    m_nBufferedRecords = 0;
    m_buffer.clear();
  }

  void CloseArchive() {
    if (!m_archive.Valid()) return;
    FlushBuffer();
    if (!m_archive.Close()) {
      // Data may be lost at close (a full or remote disk reports it only then).
      ++m_report.nWriteFailures;
      m_report.NoteFailure("closing the archive failed: " + Os().LastErrorText());
    }
  }

  std::unique_ptr<BlockPool> m_pPool;
  BlockPool m_inline{0};
  Reader m_reader;
  Progress m_progress;
  ThreadCtrl m_threadCtrl;
  // A deque, not one reserved vector: each item can take the memory of the walk's
  // node it replaces, so a large tree is touched (and faulted in) once, not twice.
  std::deque<Item> m_items;
  std::vector<std::optional<std::uint64_t>> m_sizes;  // one per item
  std::optional<StoreMeasure> m_measured;
  std::u16string m_strArchivePath;
  bool m_bCompress;
  bool m_bProtect;
  std::u16string m_strPassword;
  const SealKey* m_pSealKey;
  UniqueFile m_archive;
  std::uint64_t m_nArchiveOffset = 0;  // of the first byte still in m_buffer
  std::uint64_t m_nTotalBytes = 0;
  std::uint64_t m_nDoneBytes = 0;    // read and encoded, for the progress posts
  std::uint64_t m_nStoredBytes = 0;  // source bytes that reached the archive
  std::vector<std::uint8_t> m_buffer;
  std::vector<std::uint8_t> m_piece;
  std::uint64_t m_nBufferedSourceBytes = 0;
  std::uint64_t m_nBufferedRecords = 0;
  StoreReport m_report;
};

}  // namespace qv
