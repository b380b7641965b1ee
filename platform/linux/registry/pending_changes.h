// Registry writes not yet in the hive file: keys to create and values to set, kept
// in memory until a commit applies them all in one rewrite of the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/linux/registry/registry_key_path.h"

namespace qv {

struct PendingValue {
  std::u16string name;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
};

struct PendingKey {
  KeyPath path;
  // In the order first set; a later set of the same name replaces in place.
  std::vector<PendingValue> values;
  std::unordered_map<std::u16string, std::size_t> valueByFoldedName;
};

// What a pending value of this name and data size counts toward ByteCount.
std::size_t PendingValueBytes(std::size_t nameUnits, std::size_t dataBytes);

class PendingChanges {
 public:
  // Records the key and each of its parents (some may exist in the hive already).
  void AddKey(const KeyPath& path);
  // Adds the key as AddKey does, then replaces or adds the value.
  void SetValue(const KeyPath& path, std::u16string_view name, std::uint32_t type,
                const std::uint8_t* data, std::uint32_t size);

  const PendingKey* FindKey(const KeyPath& path) const;
  const PendingValue* FindValue(const KeyPath& path, std::u16string_view name) const;
  // Names of the pending subkeys of `path`, in the order added; null when none.
  const std::vector<std::u16string>* ChildNames(const KeyPath& path) const;

  // Parents come before their children.
  const std::vector<PendingKey>& Keys() const { return m_keys; }
  bool HasChanges() const;
  // Roughly the memory the pending values hold.
  std::size_t ByteCount() const { return m_nBytes; }
  void Clear();

 private:
  PendingKey& Key(const KeyPath& path);

  std::vector<PendingKey> m_keys;
  std::unordered_map<std::u16string, std::size_t> m_keyByFoldedPath;
  std::unordered_map<std::u16string, std::vector<std::u16string>> m_childNamesByFoldedPath;
  std::size_t m_nBytes = 0;
};

}  // namespace qv
