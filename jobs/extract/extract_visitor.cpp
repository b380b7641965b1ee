#include "jobs/extract/extract_visitor.h"

#include <utility>

#include "jobs/extract/reg_file_text.h"
#include "jobs/inspect/record_names.h"
#include "platform/text/windows_case.h"
#include "platform/text/text.h"
#include "sources/favorites/file_restore_context.h"
#include "sources/ie_settings/reg_item_opt.h"
#include "sources/restore_confinement.h"

namespace qv {

ExtractVisitor::ExtractVisitor(RecordPatterns& patterns, ReplacingFile& settingsFile, RestoreOptions favoriteOptions,
                               ExtractSummary& summary)
    : m_patterns(patterns),
      m_settingsFile(settingsFile),
      m_favoriteOptions(std::move(favoriteOptions)),
      m_summary(summary) {}

void ExtractVisitor::Skip(std::string reason) {
  m_target = Target::kNone;
  m_result.outcome = RecordOutcome::kSkipped;
  m_result.strReason = std::move(reason);
}

bool ExtractVisitor::OnRecordHead(const ScannedRecord& record) {
  m_result = RecordResult();
  m_result.nKind = record.nKind;
  m_result.strTarget = DescribeRecord(record);
  m_target = Target::kNone;
  m_pFavorite.reset();
  m_value.clear();
  m_bSelected = m_patterns.Selects(record);
  if (!m_bSelected) {
    ++m_summary.nNotSelected;
    return false;
  }
  if (record.state != RecordState::kSound) return false;
  return record.nKind == kFileItemKind ? BeginFavorite(record) : BeginSetting(record);
}

bool ExtractVisitor::BeginFavorite(const ScannedRecord& record) {
  // The very operation a restore runs, on a profile that is the target folder.
  m_pFavorite = std::make_unique<FileItemOpt>(m_favoriteOptions);
  if (!m_pFavorite->SetHead(record.head)) {
    Skip("the record head could not be read");
    return false;
  }
  if (!m_pFavorite->Begin()) {
    Skip(m_pFavorite->SkipReason());
    return false;
  }
  m_target = Target::kFavorite;
  return true;
}

bool ExtractVisitor::BeginSetting(const ScannedRecord& record) {
  // A registry file is imported as a whole; one value from elsewhere in it would
  // land wherever the archive says. The same keys as a restore, then.
  const std::u16string subkey = TextFieldValue(record.value.item.subkey);
  if (std::string problem = SettingsKeyProblem(record.value.item.root, subkey); !problem.empty()) {
    Skip(problem);
    return false;
  }
  if (std::string problem = RegFileNameProblem(subkey, TextFieldValue(record.value.item.valueName));
      !problem.empty()) {
    Skip(problem);
    return false;
  }
  m_target = Target::kSetting;
  return true;
}

void ExtractVisitor::OnRecordData(const std::uint8_t* data, std::uint32_t size) {
  if (m_target == Target::kFavorite) {
    const std::uint32_t taken = m_pFavorite->Write(data, size);
    if (taken == size) m_result.nBytes += taken;
    return;
  }
  if (m_target != Target::kSetting) return;
  if (size > kMaxRegValueSize - m_value.size()) {
    m_value.clear();
    m_value.shrink_to_fit();
    Skip("the value's data exceed " + std::to_string(kMaxRegValueSize) + " bytes");
    return;
  }
  m_value.insert(m_value.end(), data, data + size);
}

namespace {

std::u16string Folded(std::u16string text) {
  for (char16_t& unit : text) unit = UpperCaseUnit(unit);
  return text;
}

}  // namespace

std::u16string ExtractVisitor::KeyLines(const std::u16string& root, const std::u16string& subkey,
                                        const std::u16string& name) {
  // regedit makes missing parent keys itself; other importers (hivexregedit) want
  // each parent named first, and an empty "[...]" section costs nothing.
  std::u16string lines;
  for (std::size_t at = subkey.find(u'\\'); at != std::u16string::npos; at = subkey.find(u'\\', at + 1)) {
    const std::u16string parent = subkey.substr(0, at);
    if (m_writtenKeys.insert(Folded(parent)).second) lines += RegKeyLine(root, parent);
  }
  const std::u16string keyLine = RegKeyLine(root, subkey);
  // A value named twice in one section is set twice by regedit, but stored twice
  // by some importers; a section of its own keeps the later one, as a restore does.
  const bool newKey = m_writtenKeys.insert(Folded(subkey)).second;
  if (newKey || !lines.empty() || keyLine != m_strLastKey || m_sectionNames.count(Folded(name)) != 0) {
    lines += keyLine;
    m_sectionNames.clear();
  }
  m_sectionNames.insert(Folded(name));
  m_strLastKey = keyLine;
  return lines;
}

void ExtractVisitor::EndSound(const ScannedRecord& record) {
  if (m_target == Target::kFavorite) {
    // Queued with the batch, under the number it is about to get.
    if (m_favoriteOptions.pFileContext != nullptr) m_favoriteOptions.pFileContext->SetRecord(m_summary.records.size());
    if (m_pFavorite->End()) {
      m_result.outcome = RecordOutcome::kRestored;
      m_result.bReplaced = m_pFavorite->TargetExists();
    } else {
      Skip(m_pFavorite->SkipReason());
    }
    return;
  }
  if (m_target != Target::kSetting) return;  // skipped at its head or by its size
  if (!m_summary.strSettingsProblem.empty()) {
    Skip(m_summary.strSettingsProblem);
    return;
  }
  const std::u16string root = FromUtf8(RootKeyName(record.value.item.root));
  const std::u16string subkey = TextFieldValue(record.value.item.subkey);
  std::u16string text;
  if (!m_settingsFile.Started()) text += kRegFileHeader;
  const std::u16string name = TextFieldValue(record.value.item.valueName);
  text += KeyLines(root, subkey, name);
  text += RegValueText(name, record.value.item.type, m_value);
  const bool first = !m_settingsFile.Started();
  if (Status written = m_settingsFile.Append(Utf16LeBytes(text, first)); !written.ok()) {
    // Part of an entry may be in the file now: none of it may be put in place.
    m_summary.strSettingsProblem = "cannot write " + ToUtf8(kSettingsFileName) + ": " + written.message();
    Skip(m_summary.strSettingsProblem);
    return;
  }
  ++m_summary.nSettingsValues;
  m_result.outcome = RecordOutcome::kRestored;
  m_result.nBytes = m_value.size();
}

void ExtractVisitor::OnRecordEnd(const ScannedRecord& record) {
  if (!m_bSelected) return;
  switch (record.state) {
    case RecordState::kSound:
      EndSound(record);
      break;
    case RecordState::kDamaged:
    case RecordState::kCutShort:
      m_result.outcome = record.state == RecordState::kDamaged ? RecordOutcome::kDamaged : RecordOutcome::kCutShort;
      m_result.strReason = record.strProblem;
      break;
    case RecordState::kStopped:
      // As in a restore: the record being read when the stop came is dropped
      // unlisted, and counted with those left.
      if (m_pFavorite) m_pFavorite->Discard();
      m_pFavorite.reset();
      ++m_summary.nSelectedLeft;
      return;
  }
  if (m_pFavorite && m_result.outcome != RecordOutcome::kRestored) m_pFavorite->Discard();
  m_pFavorite.reset();
  m_value.clear();
  m_summary.records.push_back(std::move(m_result));
  m_result = RecordResult();
  if (m_favoriteOptions.pFileContext != nullptr) NoteCommitFailures(m_favoriteOptions.pFileContext->AfterRecord());
}

void ExtractVisitor::OnRecordLeft(const ScannedRecord& record) {
  // A pattern that matches only records after the stop did match.
  if (m_patterns.Selects(record)) {
    ++m_summary.nSelectedLeft;
  } else {
    ++m_summary.nNotSelected;
  }
}

void ExtractVisitor::CommitFavorites() {
  if (m_favoriteOptions.pFileContext != nullptr) NoteCommitFailures(m_favoriteOptions.pFileContext->Commit());
}

void ExtractVisitor::NoteCommitFailures(const std::vector<CommitFailure>& failures) {
  // As a restore reports them: the file did not reach its place.
  for (const CommitFailure& failure : failures) m_summary.records.MarkSkipped(failure.nRecord, failure.strReason);
}

}  // namespace qv
