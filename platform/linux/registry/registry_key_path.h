// Key paths as the registry functions take them ("Software\Microsoft\...") split
// into their names, and the checks a new key or value name must pass before it
// may be written into a hive.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace qv {

// The names from the root down; empty for the root key itself.
using KeyPath = std::vector<std::u16string>;

// Windows caps key names at 255 units and value names at 16383.
inline constexpr std::size_t kMaxKeyNameUnits = 255;
inline constexpr std::size_t kMaxValueNameUnits = 16383;

// Empty parts (a leading, trailing or doubled backslash) are dropped.
KeyPath AppendKeyPath(const KeyPath& base, std::u16string_view subkey);

// The upper-cased path, or its first `depth` names, as one string: the lookup key
// under which equal paths of any case meet.
std::u16string FoldedPathKey(const KeyPath& path, std::size_t depth);
std::u16string FoldedPathKey(const KeyPath& path);
std::u16string FoldName(std::u16string_view name);

// For messages: "Software\Microsoft" in UTF-8, "(root)" for the root.
std::string DescribeKeyPath(const KeyPath& path);

// A name goes through libhivex as a NUL-terminated UTF-8 string, so one holding a
// NUL or an unpaired surrogate would reach the hive changed: it is refused.
Status CheckNewKeyName(std::u16string_view name);
Status CheckNewValueName(std::u16string_view name);

}  // namespace qv
