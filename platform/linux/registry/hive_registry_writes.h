// The registry writes of one job on the Linux platform: they wait in the hive
// registry's pending changes and reach the hive file in one rewrite at Commit.
// Dropped without a Commit, they are forgotten, so the next job's commit cannot
// carry them into the file.
#pragma once

#include "platform/linux/registry/hive_registry.h"
#include "platform/platform.h"

namespace qv {

class HiveRegistryWrites final : public RegistryWrites {
 public:
  HiveRegistryWrites(HiveRegistry& registry, RegKey root) : m_registry(registry), m_root(root) {}
  ~HiveRegistryWrites() override;
  HiveRegistryWrites(const HiveRegistryWrites&) = delete;
  HiveRegistryWrites& operator=(const HiveRegistryWrites&) = delete;

  RegResult RegCreateKeyExW(RegKey key, std::u16string_view subkey, std::uint32_t access,
                            RegKey* opened) override;
  RegResult RegSetValueExW(RegKey key, std::u16string_view valueName, std::uint32_t type,
                           const std::uint8_t* data, std::uint32_t size) override;
  RegResult RegCheckValue(RegKey key, std::u16string_view subkey, std::u16string_view valueName,
                          std::uint32_t type, std::uint32_t size, bool* atKey) override;
  Status Commit() override;

 private:
  HiveRegistry& m_registry;
  RegKey m_root;
  // Something waits that no Commit has written yet, or checked values count.
  bool m_bUncommitted = false;
};

}  // namespace qv
