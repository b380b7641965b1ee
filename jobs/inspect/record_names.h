// How the archive tools name a record to the user: a favorite by its stored folder
// and name, a setting by its root, key and value name, as a restore's summary
// names them.
#pragma once

#include <cstdint>
#include <string>

#include "store/scan/scanned_record.h"

namespace qv {

const char* RecordKindName(std::uint32_t kind);  // "favorite", "setting", "record"
std::string RootKeyName(std::uint32_t root);     // "HKEY_CURRENT_USER", or "root 0x80000009"
std::string RegTypeName(std::uint32_t type);     // "REG_SZ", ..., or "REG_0x00000010"
// "%USERPROFILE%\Favorites\Links\a.url", "HKEY_CURRENT_USER\Software\...\Main [Start Page]"
// ("[(default)]" for a key's unnamed value).
std::string RecordPath(const ScannedRecord& record);
// RecordPath after the kind: "favorite %USERPROFILE%\...".
std::string DescribeRecord(const ScannedRecord& record);

}  // namespace qv
