// The open-key handles the registry hands out: numbers that stand for a root and a
// key path, plus the last listing of each key so that enumerating by index stays
// linear however many subkeys or values a key has.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/linux/registry/registry_key_path.h"
#include "platform/win_types.h"

namespace qv {

struct KeyListing {
  std::uint64_t generation = 0;  // 0: never listed
  std::vector<std::u16string> names;
};

struct OpenRegKey {
  RegKey root = 0;
  KeyPath path;
  KeyListing subkeys;
  KeyListing values;
};

class RegistryHandleTable {
 public:
  // The root handles are keys too, with an empty path, and never close.
  explicit RegistryHandleTable(const std::vector<RegKey>& roots);

  // 0 when no handle number is free.
  RegKey Add(RegKey root, KeyPath path);
  OpenRegKey* Find(RegKey key);
  bool Remove(RegKey key);  // true for a root handle too, which stays

 private:
  static bool IsRootValue(RegKey key) { return (key & 0x80000000u) != 0; }

  std::unordered_map<RegKey, OpenRegKey> m_keys;
  RegKey m_nNext = 1;
};

}  // namespace qv
