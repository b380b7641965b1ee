// Helpers for tests of the hive-backed registry: writing one value in one call,
// editing a hive's base block, and running the hivex command-line tools as
// independent readers of our files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/registry/hive_registry.h"
#include "tests/support/registry_reads.h"
#include "tests/support/unprivileged.h"

namespace qv::test {

// Opens (creating) the key, sets one value, closes the key.
RegResult PutValue(HiveRegistry& registry, RegKey root, std::u16string_view subkey,
                   std::u16string_view name, std::uint32_t type, const Bytes& data);

// The shared real NTUSER.DAT, or nothing when the data folder lacks it.
std::optional<std::filesystem::path> SharedNtuserDat();

// Sets one 32-bit field of a hive's base block and fixes the checksum.
void PokeHiveHeader(const std::filesystem::path& hive, std::size_t offset, std::uint32_t value);

// Replaces every occurrence of `from` in the file with `to` (same length); how many.
std::size_t PatchFileBytes(const std::filesystem::path& file, const std::string& from,
                           const std::string& to);
// UTF-16LE code units as a byte string, without a terminator, as names are stored.
std::string Utf16Units(std::u16string_view text);

struct ToolRun {
  int exitCode = -1;
  std::string output;  // stdout and stderr together
};
bool ToolInstalled(const std::string& tool);
// Runs `command` through the shell with `input` on its stdin.
ToolRun RunTool(const std::string& command, const std::string& input = "");

}  // namespace qv::test
