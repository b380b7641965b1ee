#include "platform/linux/registry/root_key_hive.h"

#include <functional>
#include <limits>
#include <unordered_set>
#include <utility>

#include "platform/shared/last_error.h"
#include "platform/linux/registry/commit/hive_temp_file.h"
#include "platform/linux/registry/hive/hive_layout.h"
#include "platform/linux/registry/hive/hive_value_limits.h"
#include "platform/shared/skipped_entries.h"
#include "platform/text/text.h"

namespace qv {
namespace {

RegResult Fail(RegResult code, std::string text) {
  SetLastErrorText(std::move(text));
  return code;
}

// The file's names in the file's order, then the pending names the file lacks.
void AppendMissingNames(const std::vector<std::u16string>* pending,
                        std::vector<std::u16string>* names) {
  if (pending == nullptr) return;
  std::unordered_set<std::u16string> present;
  for (const std::u16string& name : *names) present.insert(FoldName(name));
  for (const std::u16string& name : *pending) {
    if (present.insert(FoldName(name)).second) names->push_back(name);
  }
}

}  // namespace

RootKeyHive::RootKeyHive(std::string path) : m_file(std::move(path)) {}

RegResult RootKeyHive::FindFileKey(const KeyPath& path, hive_node_h* node) {
  *node = 0;
  const RegResult refreshed = m_file.Refresh();
  if (refreshed != kErrorSuccess) return refreshed;
  if (m_file.IsMissing()) return kErrorSuccess;
  bool unreadable = false;
  *node = m_file.FindKey(path, &unreadable);
  // Not "no such key": a backup would take a damaged hive for one without settings.
  if (unreadable) {
    return Fail(kErrorBadDb, "cannot read key " + DescribeKeyPath(path) + " of " + m_file.Path() +
                                 ": a key on the way to it is damaged");
  }
  return kErrorSuccess;
}

RegResult RootKeyHive::FindKey(const KeyPath& path) {
  hive_node_h node = 0;
  const RegResult found = FindFileKey(path, &node);
  if (found != kErrorSuccess) return found;
  if (path.empty() || node != 0 || m_pending.FindKey(path) != nullptr) return kErrorSuccess;
  return Fail(kErrorFileNotFound,
              "key " + DescribeKeyPath(path) + " does not exist in " + m_file.Path());
}

RegResult RootKeyHive::FileIndex(const KeyPath& path, const HiveNodeIndex** index) {
  *index = nullptr;
  hive_node_h node = 0;
  const RegResult result = FindFileKey(path, &node);
  if (result != kErrorSuccess || node == 0) return result;  // node 0: only pending so far
  *index = m_file.Index(node);
  if (*index == nullptr) {
    return Fail(kErrorBadDb, "cannot list key " + DescribeKeyPath(path) + " of " + m_file.Path());
  }
  return kErrorSuccess;
}

RegResult RootKeyHive::ListSubkeys(const KeyPath& path, std::vector<std::u16string>* names) {
  names->clear();
  const HiveNodeIndex* index = nullptr;
  const RegResult result = FileIndex(path, &index);
  if (result != kErrorSuccess) return result;
  if (index != nullptr) {
    *names = index->ChildNames();
    if (index->StrayChildCount() != 0) {
      NoteSkippedEntry({DescribeKeyPath(path) + " in " + m_file.Path(),
                        std::to_string(index->StrayChildCount()) +
                            " of its subkey entries lead to keys that are not its own, repeat a name or "
                            "have a name no key path holds (the hive is damaged); they are left out"});
    }
  }
  AppendMissingNames(m_pending.ChildNames(path), names);
  return kErrorSuccess;
}

RegResult RootKeyHive::ListValues(const KeyPath& path, std::vector<std::u16string>* names) {
  names->clear();
  const HiveNodeIndex* index = nullptr;
  const RegResult result = FileIndex(path, &index);
  if (result != kErrorSuccess) return result;
  if (index != nullptr) *names = index->ValueNames();
  if (const PendingKey* pending = m_pending.FindKey(path)) {
    std::vector<std::u16string> pendingNames;
    for (const PendingValue& value : pending->values) pendingNames.push_back(value.name);
    AppendMissingNames(&pendingNames, names);
  }
  return kErrorSuccess;
}

RegResult RootKeyHive::ReadValue(const KeyPath& path, std::u16string_view name,
                                  std::uint32_t* type, std::vector<std::uint8_t>* data) {
  hive_node_h node = 0;
  RegResult result = FindFileKey(path, &node);
  if (result != kErrorSuccess) return result;
  if (const PendingValue* pending = m_pending.FindValue(path, name)) {
    *type = pending->type;
    *data = pending->data;
    return kErrorSuccess;
  }
  const HiveNodeIndex* index = node != 0 ? m_file.Index(node) : nullptr;
  const hive_value_h value = index != nullptr ? index->FindValue(name) : 0;
  if (value == 0) {
    return Fail(kErrorFileNotFound, "value \"" + ToUtf8(name) + "\" of key " +
                                        DescribeKeyPath(path) + " does not exist");
  }
  if (!ReadHiveValue(m_file.Handle(), value, type, data)) {
    return Fail(kErrorBadDb, "cannot read value \"" + ToUtf8(name) + "\" of key " +
                                 DescribeKeyPath(path) + " in " + m_file.Path());
  }
  return kErrorSuccess;
}

RegResult RootKeyHive::RefuseUnlessWritable() {
  // The whole check costs a handful of system calls, which a restore of 20,000 values
  // would pay at every write. One check per round of writes on an unchanged file is
  // enough: the commit that ends the round checks again before it replaces anything.
  if (m_file.Refresh() == kErrorSuccess && m_nCheckedGeneration == m_file.Generation()) {
    return kErrorSuccess;
  }
  const Status writable = CheckWritable();
  if (!writable.ok()) return Fail(kErrorAccessDenied, writable.message());
  m_nCheckedGeneration = m_file.Generation();
  return kErrorSuccess;
}

std::uint32_t RootKeyHive::HiveMinorVersion() const {
  return m_file.IsMissing() ? kEmptyHiveMinorVersion : m_file.Header().minorVersion;
}

RegResult RootKeyHive::CheckCreateKey(const KeyPath& path, hive_node_h* node) {
  RegResult result = RefuseUnlessWritable();
  if (result != kErrorSuccess) return result;
  for (const std::u16string& name : path) {
    const Status valid = CheckNewKeyName(name);
    if (!valid.ok()) return Fail(kErrorInvalidParameter, valid.message());
  }
  return FindFileKey(path, node);
}

RegResult RootKeyHive::CreateKey(const KeyPath& path) {
  hive_node_h node = 0;
  const RegResult result = CheckCreateKey(path, &node);
  if (result != kErrorSuccess) return result;
  if (path.empty() || node != 0 || m_pending.FindKey(path) != nullptr) return kErrorSuccess;
  m_pending.AddKey(path);
  ++m_nPendingGeneration;
  return kErrorSuccess;
}

RegResult RootKeyHive::CheckSetValue(std::u16string_view name, std::uint32_t size) {
  RegResult result = RefuseUnlessWritable();
  if (result != kErrorSuccess) return result;
  const Status validName = CheckNewValueName(name);
  if (!validName.ok()) return Fail(kErrorInvalidParameter, validName.message());
  const Status fits = CheckValueSizeFits(size, HiveMinorVersion());
  if (!fits.ok()) return Fail(kErrorInvalidParameter, fits.message());
  // Committing early instead would leave a killed restore's hive half restored, and
  // libhivex rewrites a key's every value at each commit, so a hive written that way
  // grows with the square of the values.
  if (WaitingBytes() + size > m_nPendingLimitBytes) {
    return Fail(kErrorNotEnoughMemory,
                "the values waiting for this commit already hold " +
                    std::to_string(WaitingBytes() / (1024 * 1024)) +
                    " MiB, more than IE settings ever take; this one is left out");
  }
  return kErrorSuccess;
}

RegResult RootKeyHive::SetValue(const KeyPath& path, std::u16string_view name,
                                 std::uint32_t type, const std::uint8_t* data,
                                 std::uint32_t size) {
  const RegResult result = CheckSetValue(name, size);
  if (result != kErrorSuccess) return result;
  m_pending.SetValue(path, name, type, data, size);
  ++m_nPendingGeneration;
  return kErrorSuccess;
}

RegResult RootKeyHive::CheckValue(const KeyPath& path, std::u16string_view name, std::uint32_t size,
                                   bool* atKey) {
  hive_node_h node = 0;
  RegResult result = CheckCreateKey(path, &node);
  // A key that cannot be created may still exist to be opened, as the restore does.
  if (result != kErrorSuccess) {
    const std::string createFailure = LastErrorTextOfThread();
    if (FindKey(path) != kErrorSuccess) {
      SetLastErrorText(createFailure);
      if (atKey != nullptr) *atKey = true;
      return result;
    }
  }
  result = CheckSetValue(name, size);
  if (result != kErrorSuccess) return result;
  std::u16string checked = FoldedPathKey(path);
  checked += u'\0';
  checked += FoldName(name);
  const std::size_t bytes = PendingValueBytes(name.size(), size);
  const auto [slot, added] = m_checkedValues.emplace(std::hash<std::u16string>{}(checked), bytes);
  if (!added) {
    m_nCheckedBytes -= slot->second;
    slot->second = bytes;
  }
  m_nCheckedBytes += bytes;
  return kErrorSuccess;
}

Status RootKeyHive::CheckWritable() {
  if (m_file.Refresh() != kErrorSuccess) return Status::Error(LastErrorTextOfThread());
  // Writes are only buffered, so a hive that could not be replaced must be refused
  // now rather than at the commit, when the caller believes them taken.
  const Status replaceable = CheckCanReplace(m_file.Path());
  if (!replaceable.ok() || m_file.IsMissing()) return replaceable;
  return CheckHeaderWritable(m_file.Path(), m_file.Header());
}

Status RootKeyHive::Commit() {
  m_nCheckedGeneration = 0;  // whatever happens, the next write starts a new round
  m_checkedValues.clear();
  m_nCheckedBytes = 0;
  if (!m_pending.HasChanges()) return Status::Ok();
  Status status = CheckWritable();
  if (!status.ok()) return status;
  // Existing values get rewritten with the key's new ones; in a 1.3 hive they are
  // plain cells already, in a 1.4+ hive a big one would lose its big-data layout.
  const std::uint32_t maxRewritten = HiveMinorVersion() >= kFirstBigDataMinorVersion
                                         ? kMaxPlainCellValueBytes
                                         : std::numeric_limits<std::uint32_t>::max();
  status = CommitHiveChanges(m_file.Path(), m_pending, maxRewritten, m_hooks);
  if (!status.ok()) return status;
  m_pending.Clear();
  m_file.Invalidate();
  ++m_nPendingGeneration;
  return Status::Ok();
}

void RootKeyHive::Discard() {
  m_nCheckedGeneration = 0;
  m_checkedValues.clear();
  m_nCheckedBytes = 0;
  if (!m_pending.HasChanges()) return;
  m_pending.Clear();
  ++m_nPendingGeneration;
}

}  // namespace qv
