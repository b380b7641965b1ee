#include "platform/linux/registry/hive_registry_writes.h"

namespace qv {

HiveRegistryWrites::~HiveRegistryWrites() {
  if (m_bUncommitted) m_registry.RegDiscard(m_root);
}

RegResult HiveRegistryWrites::RegCreateKeyExW(RegKey key, std::u16string_view subkey, std::uint32_t access,
                                              RegKey* opened) {
  const RegResult result = m_registry.RegCreateKeyExW(key, subkey, access, opened);
  // A new key waits for the commit as a value does.
  if (result == kErrorSuccess) m_bUncommitted = true;
  return result;
}

RegResult HiveRegistryWrites::RegSetValueExW(RegKey key, std::u16string_view valueName, std::uint32_t type,
                                             const std::uint8_t* data, std::uint32_t size) {
  const RegResult result = m_registry.RegSetValueExW(key, valueName, type, data, size);
  if (result == kErrorSuccess) m_bUncommitted = true;
  return result;
}

RegResult HiveRegistryWrites::RegCheckValue(RegKey key, std::u16string_view subkey, std::u16string_view valueName,
                                            std::uint32_t /*type*/, std::uint32_t size, bool* atKey) {
  const RegResult result = m_registry.RegCheckValue(key, subkey, valueName, size, atKey);
  if (result == kErrorSuccess) m_bUncommitted = true;
  return result;
}

Status HiveRegistryWrites::Commit() {
  Status committed = m_registry.RegCommit(m_root);
  if (committed.ok()) m_bUncommitted = false;
  return committed;
}

}  // namespace qv
