#include "store/archive_reader.h"

#include <array>
#include <utility>

#include "platform/platform.h"
#include "processors/des_cryptors.h"
#include "sources/file_item_factory.h"
#include "sources/reg_item_factory.h"
#include "store/data_buffer.h"
#include "store/records.h"

namespace qv {
namespace {

// Record heads are about 1 KB; a factory stating more is broken, not generous.
constexpr std::int32_t kMaxHeadSize = 64 * 1024;

std::string At(std::uint64_t offset) { return " at offset " + std::to_string(offset); }

}  // namespace

ArchiveReader::ArchiveReader(std::u16string archivePath, std::u16string password, RestoreOptions options)
    : m_strArchivePath(std::move(archivePath)),
      m_strPassword(std::move(password)),
      m_nHeaderSize(static_cast<std::uint32_t>(kArchiveHeaderSize)) {
  m_factories.push_back(std::make_unique<FileItemFactory>(options));
  m_factories.push_back(std::make_unique<RegItemFactory>(options));
}

void ArchiveReader::SetNotifyWindow(WindowHandle window, std::uint32_t message) {
  m_hNotifyWindow = window;
  m_nProgressMessage = message;
}

void ArchiveReader::PostProgress(std::uint64_t wParam, std::int64_t lParam) {
  if (m_hNotifyWindow == 0) return;
  // Progress is advisory: a window that went away must not stop the restore.
  (void)Os().PostMessageW(m_hNotifyWindow, m_nProgressMessage, wParam, lParam);
}

std::uint64_t ArchiveReader::Offset() const { return m_nHeaderSize + m_nPosition; }

std::uint64_t ArchiveReader::Remaining() const {
  return m_nArchiveSize > Offset() ? m_nArchiveSize - Offset() : 0;
}

void ArchiveReader::EndEarly(std::string reason) {
  m_report.bEndedEarly = true;
  if (m_bReadFailed) reason += " (" + Os().LastErrorText() + ")";
  m_report.strEndReason = std::move(reason);
}

std::uint32_t ArchiveReader::ReadUpTo(std::uint8_t* buffer, std::uint32_t size) {
  std::uint32_t done = 0;
  while (done < size) {
    std::uint32_t got = 0;
    if (!Os().ReadFile(m_hArchive, buffer + done, size - done, &got)) {
      m_bReadFailed = true;
      break;
    }
    if (got == 0) break;
    done += got;
  }
  m_nPosition += done;
  return done;
}

DataItemFactory* ArchiveReader::FindFactory(int kind) const {
  for (const auto& factory : m_factories) {
    // The first factory with the key decides; one of another family counts as none.
    if (factory->GetKey() == kind) return dynamic_cast<DataItemFactory*>(factory.get());
  }
  return nullptr;
}

std::uint64_t ArchiveReader::Run() {
  PostProgress(0, 0);
  m_report = RestoreReport();
  m_bReadFailed = false;
  // OPEN_EXISTING: an archive that vanished must not be created empty at its path.
  m_hArchive = Os().CreateFileW(m_strArchivePath, kGenericRead, kFileShareNone, kOpenExisting);
  if (m_hArchive == kInvalidHandle) {
    m_report.bOpenFailed = true;
    m_report.strEndReason = "cannot open the archive: " + Os().LastErrorText();
    return 0;
  }
  std::uint64_t sum = 0;
  m_nPosition = 0;
  if ((m_nHeaderSize != 0 && !Os().SetFilePointer(m_hArchive, m_nHeaderSize, kFileBegin, nullptr)) ||
      !Os().GetFileSize(m_hArchive, &m_nArchiveSize)) {
    m_report.bOpenFailed = true;
    m_report.strEndReason = "cannot read the archive: " + Os().LastErrorText();
  } else {
    for (;;) {
      const std::int64_t result = ReadRecord();
      if (result < 0) break;
      sum += static_cast<std::uint64_t>(result);
    }
  }
  (void)Os().CloseHandle(m_hArchive);  // opened for reading: nothing to lose
  m_hArchive = kInvalidHandle;
  return sum;
}

std::int64_t ArchiveReader::StopInRecord(DataItem& item, RecordResult result, RecordOutcome outcome,
                                         std::string reason) {
  item.Discard();
  result.outcome = outcome;
  result.strReason = reason;
  m_report.records.push_back(std::move(result));
  EndEarly(std::move(reason));
  return kStop;
}

std::int64_t ArchiveReader::ReadRecord() {
  const std::uint64_t recordOffset = Offset();
  std::array<std::uint8_t, 4> kindBytes{};
  const std::uint32_t kindRead = ReadUpTo(kindBytes.data(), 4);
  if (kindRead == 0) {
    if (m_bReadFailed) EndEarly("cannot read the kind code" + At(recordOffset));
    return kNoMoreRecords;
  }
  if (kindRead < 4) {
    EndEarly("the kind code" + At(recordOffset) + " is cut short");
    return kNoMoreRecords;
  }
  const std::uint32_t kindCode = static_cast<std::uint32_t>(kindBytes[0]) | (kindBytes[1] << 8) |
                                 (kindBytes[2] << 16) | (static_cast<std::uint32_t>(kindBytes[3]) << 24);
  const int kind = static_cast<int>(kindCode);
  DataItemFactory* factory = FindFactory(kind);
  if (factory == nullptr) {
    ++m_report.nUnknownKindCodes;
    return 0;
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
    return StopInRecord(*item, std::move(result), RecordOutcome::kSkipped,
                        "the restore operation states an impossible head size");
  }
  std::vector<std::uint8_t> body(static_cast<std::size_t>(headSize) - 4);
  if (ReadUpTo(body.data(), static_cast<std::uint32_t>(body.size())) < body.size()) {
    return StopInRecord(*item, std::move(result), RecordOutcome::kCutShort,
                        "the record head" + At(recordOffset) + " is cut short");
  }
  // A head that does not decode makes Begin refuse the record with a reason.
  (void)item->SetHead(body);
  result.strTarget = item->Describe();
  const bool begun = item->Begin();

  std::int64_t recordSum = 0;
  std::uint64_t delivered = 0;
  std::string damage;
  BlockHeadBytes blockBytes{};
  std::uint64_t blockOffset = Offset();
  if (ReadUpTo(blockBytes.data(), kBlockHeadSize) < kBlockHeadSize) {
    return StopInRecord(*item, std::move(result), RecordOutcome::kCutShort,
                        "the block head" + At(blockOffset) + " is cut short");
  }
  BlockHead block = DecodeBlockHead(blockBytes);
  while (block.last == 0) {
    if (block.size > kMaxStoredBlockSize) {
      // The size is all that frames the records after this one, and it is garbage.
      ++m_report.nDamagedBlocks;
      return StopInRecord(*item, std::move(result), RecordOutcome::kDamaged,
                          "the block" + At(blockOffset) + " states " + std::to_string(block.size) +
                              " bytes, more than any block holds; the rest of the archive cannot be framed");
    }
    if (block.size > Remaining()) {
      return StopInRecord(*item, std::move(result), RecordOutcome::kCutShort,
                          "the block" + At(blockOffset) + " is cut short: it states " +
                              std::to_string(block.size) + " bytes, the archive holds " +
                              std::to_string(Remaining()));
    }
    std::vector<std::uint8_t> payload(block.size);
    if (ReadUpTo(payload.data(), block.size) < block.size) {
      return StopInRecord(*item, std::move(result), RecordOutcome::kCutShort,
                          "the block" + At(blockOffset) + " is cut short");
    }
    DataBuffer buffer(payload.data(), payload.size());
    if (item->IsProtected()) buffer.AddStage(std::make_unique<DESDecryptor>(m_strPassword));
    if (item->IsCompressed()) buffer.AddStage(std::make_unique<LZMADecompProcessor>());
    if (!buffer.Run()) {
      ++m_report.nDamagedBlocks;
      if (damage.empty()) damage = "the block" + At(blockOffset) + " could not be decoded";
    } else if (damage.empty()) {
      // Nothing more is offered once a block is lost: the record will be discarded.
      recordSum += item->Write(buffer.Data(), static_cast<std::uint32_t>(buffer.Size()));
      delivered += buffer.Size();
    }
    blockOffset = Offset();
    if (ReadUpTo(blockBytes.data(), kBlockHeadSize) < kBlockHeadSize) {
      return StopInRecord(*item, std::move(result), RecordOutcome::kCutShort,
                          "the block head" + At(blockOffset) + " is cut short");
    }
    block = DecodeBlockHead(blockBytes);
    PostProgress(static_cast<std::uint64_t>(static_cast<double>(m_nPosition) /
                                            static_cast<double>(m_nArchiveSize) * 100.0),
                 0);
  }

  if (!begun) {
    item->Discard();
    result.outcome = RecordOutcome::kSkipped;
    result.strReason = item->SkipReason();
  } else if (!damage.empty()) {
    item->Discard();
    result.outcome = RecordOutcome::kDamaged;
    result.strReason = damage;
  } else if (!item->End()) {
    result.outcome = RecordOutcome::kSkipped;
    result.strReason = item->SkipReason();
  } else {
    result.outcome = RecordOutcome::kRestored;
    result.bReplaced = item->TargetExists();
    result.nBytes = delivered;
  }
  m_report.records.push_back(std::move(result));
  return recordSum;
}

}  // namespace qv
