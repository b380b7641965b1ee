// Filling a profile folder: favorites as files below its Favorites/, settings as
// values below HKEY_CURRENT_USER through the platform's registry writes, so that
// NTUSER.DAT is a real hive made by our own code. The demo that `make run` shows
// and the tests' temporary profiles are made by these two functions.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace qv::demo {

struct SettingValue {
  std::u16string strKey;   // below HKEY_CURRENT_USER, with '\'
  std::u16string strName;  // empty: the key's unnamed value
  std::uint32_t nType = 0;
  std::string strBytes;    // the value's data as the registry holds it
};

// Writes `bytes` to Favorites/`relativePath` ('/' between folders) below
// `profileDir`, creating folders. The file is written whole to a temporary file
// beside it and renamed over the target, so an existing favorite is either kept
// or replaced, never cut. A link in the way is replaced, not written through.
[[nodiscard]] Status WriteFavorite(const std::filesystem::path& profileDir, const std::string& relativePath,
                                   const std::string& bytes);

// Sets every value in `os`'s HKEY_CURRENT_USER (creating keys and, where there is
// none, NTUSER.DAT) and commits them together: all reach the hive or none.
[[nodiscard]] Status SetValues(Platform& os, const std::vector<SettingValue>& values);

// Data as the registry stores it for the common types.
std::string RegSzBytes(std::u16string_view text);                     // UTF-16LE with its terminator
std::string RegMultiSzBytes(const std::vector<std::u16string>& texts);  // each terminated, then one more
std::string RegDwordBytes(std::uint32_t value);                      // little-endian
std::string RegQwordBytes(std::uint64_t value);                      // little-endian

}  // namespace qv::demo
