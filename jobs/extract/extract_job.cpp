#include "jobs/extract/extract_job.h"

#include "jobs/extract/extract_visitor.h"
#include "jobs/extract/record_pattern.h"
#include "jobs/extract/replacing_file.h"
#include "jobs/inspect/archive_password_check.h"
#include "jobs/job_profile.h"
#include "platform/platform.h"
#include "platform/text/text.h"
#include "sources/favorites/file_restore_context.h"
#include "sources/favorites/name_spellings.h"
#include "store/scan/archive_scanner.h"

namespace qv {
namespace {

ExtractSummary Failed(ExtractSummary summary, std::string why) {
  summary.outcome = RestoreOutcome::kFailed;
  summary.strFailure = std::move(why);
  return summary;
}

// Settings that were in the file when it could not be put in place are not anywhere.
void LoseSettings(ExtractSummary& summary) {
  summary.records.SkipRestored(kRegItemKind, summary.strSettingsProblem);
  summary.nSettingsValues = 0;
  summary.strSettingsFile.clear();
}

// The scanner knows how far into the archive it is, the visitor which record that is.
class NamedProgress final : public ProgressSink {
 public:
  NamedProgress(ProgressSink* next, const ExtractVisitor& visitor) : m_pNext(next), m_visitor(visitor) {}
  void OnProgress(std::string_view item, std::uint64_t done, std::uint64_t total) override {
    if (m_pNext != nullptr) m_pNext->OnProgress(item.empty() ? m_visitor.CurrentTarget() : item, done, total);
  }

 private:
  ProgressSink* m_pNext;
  const ExtractVisitor& m_visitor;
};

}  // namespace

ExtractSummary RunExtract(const ExtractOptions& options) {
  ExtractSummary summary;
  summary.check = CheckArchiveAndPassword(options.strArchivePath, &options.strPassword);
  if (summary.check.result != ArchiveCheckResult::kOk) return summary;

  summary.strFolder = Os().ExpandEnvironmentStringsW(u"%USERPROFILE%");
  if (summary.strFolder == u"%USERPROFILE%") return Failed(std::move(summary), "the target folder has no Windows form");
  if (const int made = Os().SHCreateDirectoryExW(summary.strFolder); made != 0 && made != kErrorAlreadyExists) {
    return Failed(std::move(summary), "cannot create the target folder: " + Os().LastErrorText());
  }
  JobProfile lock;
  if (Status opened = OpenProfileForJob(true, u"", &lock); !opened.ok()) return Failed(std::move(summary), opened.message());
  // Favorites are confined to the Favorites folder; a Favorites that is a link
  // out of the target folder would take them elsewhere.
  std::u16string favorites;
  if (!Os().SHGetSpecialFolderPathW(kCsidlFavorites, true, &favorites)) {
    return Failed(std::move(summary), "cannot create the Favorites folder: " + Os().LastErrorText());
  }
  if (!Os().IsPathWithin(favorites, summary.strFolder)) {
    return Failed(std::move(summary), "the Favorites folder of the target folder leads outside it");
  }

  RecordPatterns patterns(options.patterns);
  const bool ownerOnly = summary.check.NeedsPassword();
  ReplacingFile settingsFile(summary.strFolder + u"\\" + std::u16string(kSettingsFileName), ownerOnly);
  // The restore's own batches: two syncs for many favorites, not two for each.
  FileRestoreContext favoritesBatch(false);
  // The folder may go to Windows, which could not hold two spellings of one name.
  NameSpellings spellings;
  RestoreOptions favoriteOptions;
  favoriteOptions.pFileContext = &favoritesBatch;
  favoriteOptions.pNameSpellings = &spellings;
  favoriteOptions.bOwnerOnlyFiles = ownerOnly;
  ExtractVisitor visitor(patterns, settingsFile, favoriteOptions, summary);
  ScanOptions scan = DecodingScanOptions(summary.check, options.strPassword, options.bSalvage, options.hNotifyWindow,
                                          options.pStopFlag);
  NamedProgress progress(options.pProgress, visitor);
  if (options.pProgress != nullptr) scan.pProgress = &progress;
  ArchiveScanner scanner(options.strArchivePath, scan);
  summary.report = scanner.Run(visitor);
  // Whatever ended the reading, the favorites that arrived whole go in place.
  visitor.CommitFavorites();
  summary.unmatchedPatterns = patterns.Unmatched();

  // Like a restore's registry commit: what was collected is put in place, also
  // after a stop, and only whole.
  if (settingsFile.Started() && summary.strSettingsProblem.empty()) {
    summary.bSettingsReplaced = settingsFile.TargetExisted();
    if (Status committed = settingsFile.Commit(); committed.ok()) {
      summary.strSettingsFile = settingsFile.TargetPath();
    } else {
      summary.strSettingsProblem = "cannot write " + ToUtf8(kSettingsFileName) + ": " + committed.message();
    }
  }
  if (!summary.strSettingsProblem.empty()) {
    settingsFile.Discard();
    LoseSettings(summary);
  }

  if (summary.report.bOpenFailed || !summary.strSettingsProblem.empty()) {
    summary.outcome = RestoreOutcome::kFailed;
  } else if (summary.Count(RecordOutcome::kRestored) != summary.records.size() || !summary.report.Clean() ||
             !summary.unmatchedPatterns.empty()) {
    summary.outcome = RestoreOutcome::kPartial;
  } else {
    summary.outcome = RestoreOutcome::kOk;
  }
  return summary;
}

std::uint64_t ExtractSummary::Count(RecordOutcome wanted) const { return records.Count(wanted); }

}  // namespace qv
