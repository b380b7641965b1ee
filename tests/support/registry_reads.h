// Reading a registry back in one call, for tests of anything with the Windows
// registry calls: a Platform, or the hive registry beneath the Linux one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win_types.h"

namespace qv::test {

using Bytes = std::vector<std::uint8_t>;

struct StoredValue {
  std::uint32_t type = 0;
  Bytes data;
  bool operator==(const StoredValue&) const = default;
};

// Size query, then data query, as the settings source does.
template <class Registry>
std::optional<StoredValue> QueryValue(Registry& registry, RegKey key, std::u16string_view name) {
  std::uint32_t size = 0;
  if (registry.RegQueryValueExW(key, name, nullptr, nullptr, &size) != kErrorSuccess) {
    return std::nullopt;
  }
  StoredValue value;
  value.data.resize(size);
  if (registry.RegQueryValueExW(key, name, &value.type, value.data.data(), &size) !=
      kErrorSuccess) {
    return std::nullopt;
  }
  value.data.resize(size);
  return value;
}

// Every name by index until the first failure.
template <class Registry>
std::vector<std::u16string> ListSubkeys(Registry& registry, RegKey key) {
  std::vector<std::u16string> names;
  std::u16string name;
  for (std::uint32_t index = 0; registry.RegEnumKeyExW(key, index, 10240, &name) == kErrorSuccess;
       ++index) {
    names.push_back(name);
  }
  return names;
}

template <class Registry>
std::vector<std::u16string> ListValues(Registry& registry, RegKey key) {
  std::vector<std::u16string> names;
  std::u16string name;
  for (std::uint32_t index = 0; registry.RegEnumValueW(key, index, 10240, &name) == kErrorSuccess;
       ++index) {
    names.push_back(name);
  }
  return names;
}

// With its terminator, as REG_SZ holds it.
inline Bytes Utf16Bytes(std::u16string_view text) {
  Bytes bytes;
  for (char16_t unit : text) {
    bytes.push_back(static_cast<std::uint8_t>(unit));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

}  // namespace qv::test
