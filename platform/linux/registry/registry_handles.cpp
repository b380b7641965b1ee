#include "platform/linux/registry/registry_handles.h"

#include <utility>

namespace qv {

RegistryHandleTable::RegistryHandleTable(const std::vector<RegKey>& roots) {
  for (RegKey root : roots) m_keys.emplace(root, OpenRegKey{root, {}, {}, {}});
}

RegKey RegistryHandleTable::Add(RegKey root, KeyPath path) {
  // Handle numbers stay below the predefined root values and skip 0.
  constexpr RegKey kLastHandle = 0x7FFFFFFFu;
  for (RegKey tries = 0; tries < kLastHandle; ++tries) {
    const RegKey candidate = m_nNext;
    m_nNext = candidate == kLastHandle ? 1 : candidate + 1;
    if (m_keys.find(candidate) == m_keys.end()) {
      m_keys.emplace(candidate, OpenRegKey{root, std::move(path), {}, {}});
      return candidate;
    }
  }
  return 0;
}

OpenRegKey* RegistryHandleTable::Find(RegKey key) {
  const auto found = m_keys.find(key);
  return found == m_keys.end() ? nullptr : &found->second;
}

bool RegistryHandleTable::Remove(RegKey key) {
  const auto found = m_keys.find(key);
  if (found == m_keys.end()) return false;
  if (!IsRootValue(key)) m_keys.erase(found);
  return true;
}

}  // namespace qv
