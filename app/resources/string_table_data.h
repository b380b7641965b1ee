// The window's string table as plain data, read by both windows: the Qt window
// through string_table.h, the Win32 window from the string table its resources
// are generated with.
#pragma once

#include <span>

namespace qv::app {

struct StringEntry {
  int nId;
  const char* strText;  // UTF-8
};

std::span<const StringEntry> StringTableEntries();

// Null for an identifier the table does not hold.
const char* ResourceText(int nId);

}  // namespace qv::app
