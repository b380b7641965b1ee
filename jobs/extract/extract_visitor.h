// What an extract does with each record the scanner reads: a selected favorite goes
// through a restore's own FileItemOpt and is put in place with the restore's own
// batches (FileRestoreContext), a selected setting goes into the registry file.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "jobs/extract/extract_job.h"
#include "jobs/extract/record_pattern.h"
#include "jobs/extract/replacing_file.h"
#include "sources/favorites/file_item_opt.h"
#include "store/scan/archive_scanner.h"

namespace qv {

class ExtractVisitor : public ScanVisitor {
 public:
  // `favoriteOptions`: what every favorite's FileItemOpt is made with (its batch,
  // whether new files are private).
  ExtractVisitor(RecordPatterns& patterns, ReplacingFile& settingsFile, RestoreOptions favoriteOptions,
                 ExtractSummary& summary);

  bool OnRecordHead(const ScannedRecord& record) override;
  void OnRecordData(const std::uint8_t* data, std::uint32_t size) override;
  void OnRecordEnd(const ScannedRecord& record) override;
  void OnRecordLeft(const ScannedRecord& record) override;
  // What the record being read is, as the summary names it.
  const std::string& CurrentTarget() const { return m_result.strTarget; }
  // Puts the favorites still queued in place: after the last record, or a stop.
  void CommitFavorites();

 private:
  enum class Target { kNone, kFavorite, kSetting };

  bool BeginFavorite(const ScannedRecord& record);
  bool BeginSetting(const ScannedRecord& record);
  void EndSound(const ScannedRecord& record);
  std::u16string KeyLines(const std::u16string& root, const std::u16string& subkey, const std::u16string& name);
  void Skip(std::string reason);
  void NoteCommitFailures(const std::vector<CommitFailure>& failures);

  RecordPatterns& m_patterns;
  ReplacingFile& m_settingsFile;
  RestoreOptions m_favoriteOptions;
  ExtractSummary& m_summary;
  bool m_bSelected = false;
  Target m_target = Target::kNone;
  RecordResult m_result;
  std::unique_ptr<FileItemOpt> m_pFavorite;
  std::vector<std::uint8_t> m_value;
  std::u16string m_strLastKey;  // the "[...]" line the registry file ended with
  std::set<std::u16string> m_writtenKeys;  // upper case: every key that has a "[...]" line
  std::set<std::u16string> m_sectionNames;  // upper case: the values since the last "[...]" line
};

}  // namespace qv
