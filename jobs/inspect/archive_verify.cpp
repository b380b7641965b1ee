#include "jobs/inspect/archive_verify.h"

#include "jobs/inspect/archive_password_check.h"
#include "platform/platform.h"
#include "store/scan/archive_scanner.h"

namespace qv {
namespace {

class VerifyVisitor : public ScanVisitor {
 public:
  explicit VerifyVisitor(VerifySummary* summary) : m_pSummary(summary) {}
  bool OnRecordHead(const ScannedRecord&) override { return true; }
  void OnRecordData(const std::uint8_t*, std::uint32_t) override {}
  void OnRecordEnd(const ScannedRecord& record) override {
    (record.nKind == kFileItemKind ? m_pSummary->nFavorites : m_pSummary->nSettings) += 1;
    if (record.state == RecordState::kSound) {
      ++m_pSummary->nSoundRecords;
      m_pSummary->nPlainBytes += record.nPlainBytes;
    } else {
      ++m_pSummary->nProblems;
      if (m_pSummary->problems.size() < VerifySummary::kMaxListedProblems) m_pSummary->problems.push_back(record);
    }
  }

 private:
  VerifySummary* m_pSummary;
};

}  // namespace

VerifySummary VerifyArchive(const VerifyOptions& options) {
  VerifySummary summary;
  summary.check = CheckArchiveAndPassword(options.strArchivePath, &options.strPassword);
  if (summary.check.result != ArchiveCheckResult::kOk) return summary;
  const ScanOptions scan = DecodingScanOptions(summary.check, options.strPassword, options.bSalvage, options.hNotifyWindow,
                                                options.pStopFlag);
  ArchiveScanner scanner(options.strArchivePath, scan);
  VerifyVisitor visitor(&summary);
  summary.report = scanner.Run(visitor);
  return summary;
}

}  // namespace qv
