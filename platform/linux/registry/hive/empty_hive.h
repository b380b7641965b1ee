// An empty hive, written by our own code: the regf base block, then one 4096-byte
// hive bin holding the root key, its security cell and free space. libhivex cannot
// create a hive, only edit one, so a hive that does not exist yet starts from these
// bytes. Its version is kEmptyHiveMinorVersion (hive_layout.h).
#pragma once

#include <cstdint>
#include <vector>

namespace qv {

// fileTime: the last-written time of the hive and its root key, in 100 ns units
// since 1601 (a Windows FILETIME).
std::vector<std::uint8_t> MakeEmptyHive(std::uint64_t fileTime);

// The current time as a FILETIME.
std::uint64_t CurrentFileTime();

}  // namespace qv
