// ArchiveReader: restores every record of an archive whose header and password the
// restore job has already accepted.
//
// Each record gets a fresh restore operation from the first factory whose key
// matches its kind code; each block gets fresh decryption and decompression stages.
// An archive is untrusted: a record the file cannot supply in full ends the restore
// (what was restored before stays), and a block that states a size no decoder
// accepts is damage, never an allocation.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/win_types.h"
#include "processors/lzma_processors.h"
#include "sources/data_item_factory.h"
#include "sources/restore_options.h"
#include "store/restore_report.h"

namespace qv {

// The largest payload a block may state: the decoders refuse more than
// kMaxDecodedBlockSize of output, and neither LZMA's worst-case growth nor the
// cipher's framing comes near 1 MiB on top of that. Blocks we write stay below
// 2 * kBlockSize; archives of other writers may use bigger raw or compressed blocks.
inline constexpr std::uint32_t kMaxStoredBlockSize =
    static_cast<std::uint32_t>(kMaxDecodedBlockSize) + 1024 * 1024;

class ArchiveReader {
 public:
  // ReadRecord's results besides a byte count.
  static constexpr std::int64_t kStop = -1;
  static constexpr std::int64_t kNoMoreRecords = -2;

  ArchiveReader(std::u16string archivePath, std::u16string password, RestoreOptions options = {});
  ArchiveReader(const ArchiveReader&) = delete;
  ArchiveReader& operator=(const ArchiveReader&) = delete;

  // Progress goes to `window` as `message` (position in percent, 0); 0 posts nothing.
  void SetNotifyWindow(WindowHandle window, std::uint32_t message);

  // Restores every record; returns the bytes that the restore operations accepted.
  std::uint64_t Run();
  // Restores one record: >= 0 the bytes its operation accepted (0 also for a kind
  // code without a factory), kStop when the archive cannot be read on, kNoMoreRecords
  // at the end.
  std::int64_t ReadRecord();

  const RestoreReport& Report() const { return m_report; }

 private:
  DataItemFactory* FindFactory(int kind) const;
  std::uint32_t ReadUpTo(std::uint8_t* buffer, std::uint32_t size);
  std::uint64_t Offset() const;
  std::uint64_t Remaining() const;
  void PostProgress(std::uint64_t wParam, std::int64_t lParam);
  void EndEarly(std::string reason);
  std::int64_t StopInRecord(DataItem& item, RecordResult result, RecordOutcome outcome,
                            std::string reason);

  WindowHandle m_hNotifyWindow = 0;
  std::uint32_t m_nProgressMessage = 0;
  FileHandle m_hArchive = kInvalidHandle;
  std::u16string m_strArchivePath;
  std::vector<std::unique_ptr<Factory<DataItem, int>>> m_factories;
  std::u16string m_strPassword;
  std::uint64_t m_nPosition = 0;
  std::uint64_t m_nArchiveSize = 0;
  std::uint32_t m_nHeaderSize;
  bool m_bReadFailed = false;
  RestoreReport m_report;
};

}  // namespace qv
