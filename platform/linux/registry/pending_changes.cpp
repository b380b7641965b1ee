#include "platform/linux/registry/pending_changes.h"

namespace qv {
namespace {

std::size_t ValueBytes(const PendingValue& value) { return PendingValueBytes(value.name.size(), value.data.size()); }

}  // namespace

std::size_t PendingValueBytes(std::size_t nameUnits, std::size_t dataBytes) {
  // The name is held twice, as spelt and folded for the index, and the index's
  // entry takes about as much as the value's own fields.
  return 2 * sizeof(PendingValue) + 2 * nameUnits * sizeof(char16_t) + dataBytes;
}

PendingKey& PendingChanges::Key(const KeyPath& path) {
  std::u16string folded = FoldedPathKey(path);
  const auto found = m_keyByFoldedPath.find(folded);
  if (found != m_keyByFoldedPath.end()) return m_keys[found->second];
  if (!path.empty()) {
    const KeyPath parent(path.begin(), path.end() - 1);
    Key(parent);
    m_childNamesByFoldedPath[FoldedPathKey(parent)].push_back(path.back());
  }
  m_keyByFoldedPath.emplace(std::move(folded), m_keys.size());
  m_keys.push_back(PendingKey{path, {}, {}});
  return m_keys.back();
}

void PendingChanges::AddKey(const KeyPath& path) { Key(path); }

void PendingChanges::SetValue(const KeyPath& path, std::u16string_view name, std::uint32_t type,
                              const std::uint8_t* data, std::uint32_t size) {
  PendingKey& key = Key(path);
  PendingValue value{std::u16string(name), type,
                     std::vector<std::uint8_t>(data, data == nullptr ? data : data + size)};
  const auto [slot, added] = key.valueByFoldedName.emplace(FoldName(name), key.values.size());
  if (added) {
    m_nBytes += ValueBytes(value);
    key.values.push_back(std::move(value));
    return;
  }
  // Windows keeps the spelling the value had when it was first made.
  PendingValue& existing = key.values[slot->second];
  m_nBytes -= ValueBytes(existing);
  value.name = existing.name;
  m_nBytes += ValueBytes(value);
  existing = std::move(value);
}

const PendingKey* PendingChanges::FindKey(const KeyPath& path) const {
  const auto found = m_keyByFoldedPath.find(FoldedPathKey(path));
  return found == m_keyByFoldedPath.end() ? nullptr : &m_keys[found->second];
}

const PendingValue* PendingChanges::FindValue(const KeyPath& path, std::u16string_view name) const {
  const PendingKey* key = FindKey(path);
  if (key == nullptr) return nullptr;
  const auto found = key->valueByFoldedName.find(FoldName(name));
  return found == key->valueByFoldedName.end() ? nullptr : &key->values[found->second];
}

const std::vector<std::u16string>* PendingChanges::ChildNames(const KeyPath& path) const {
  const auto found = m_childNamesByFoldedPath.find(FoldedPathKey(path));
  return found == m_childNamesByFoldedPath.end() ? nullptr : &found->second;
}

bool PendingChanges::HasChanges() const { return !m_keys.empty(); }

void PendingChanges::Clear() {
  m_keys.clear();
  m_keyByFoldedPath.clear();
  m_childNamesByFoldedPath.clear();
  m_nBytes = 0;
}

}  // namespace qv
