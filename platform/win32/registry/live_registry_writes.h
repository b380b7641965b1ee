// The registry writes of one job on the live registry: each value is applied as it
// is set, and Commit makes them durable.
#pragma once

#include "platform/platform.h"
#include "platform/win32/registry/live_registry.h"

namespace qv {

class LiveRegistryWrites final : public RegistryWrites {
 public:
  LiveRegistryWrites(LiveRegistry& registry, RegKey root) : m_registry(registry), m_root(root) {}

  RegResult RegCreateKeyExW(RegKey key, std::u16string_view subkey, std::uint32_t access, RegKey* opened) override {
    return m_registry.CreateKey(key, subkey, access, opened);
  }
  RegResult RegSetValueExW(RegKey key, std::u16string_view valueName, std::uint32_t type, const std::uint8_t* data,
                           std::uint32_t size) override {
    return m_registry.SetValue(key, valueName, type, data, size);
  }
  RegResult RegCheckValue(RegKey key, std::u16string_view subkey, std::u16string_view valueName, std::uint32_t type,
                          std::uint32_t size, bool* atKey) override {
    return m_registry.CheckValue(key, subkey, valueName, type, size, atKey);
  }
  Status Commit() override { return m_registry.Flush(m_root); }

 private:
  LiveRegistry& m_registry;
  const RegKey m_root;
};

}  // namespace qv
