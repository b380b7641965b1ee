#include "jobs/inspect/archive_listing.h"

#include "jobs/inspect/archive_password_check.h"
#include "store/scan/archive_scanner.h"

namespace qv {
namespace {

class ListingVisitor : public ScanVisitor {
 public:
  explicit ListingVisitor(ListingSink& sink) : m_sink(sink) {}
  bool OnRecordHead(const ScannedRecord&) override { return false; }
  void OnRecordData(const std::uint8_t*, std::uint32_t) override {}
  void OnRecordEnd(const ScannedRecord& record) override { m_sink.OnRecord(record); }

 private:
  ListingSink& m_sink;
};

}  // namespace

ArchiveListing ListArchive(const ListingOptions& options, ListingSink& sink) {
  ArchiveListing listing;
  listing.check = CheckArchiveAndPassword(options.strArchivePath, options.bHasPassword ? &options.strPassword : nullptr);
  if (listing.check.result != ArchiveCheckResult::kOk) return listing;
  listing.bProtected = listing.check.header.isProtected != 0;
  ScanOptions scan;
  scan.bHasPassword = options.bHasPassword && listing.bProtected;
  scan.strPassword = options.strPassword;
  ArchiveScanner scanner(options.strArchivePath, scan);
  sink.OnAccepted(listing);
  ListingVisitor visitor(sink);
  listing.report = scanner.Run(visitor);
  return listing;
}

}  // namespace qv
