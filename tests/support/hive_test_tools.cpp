#include "tests/support/hive_test_tools.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>

#include "platform/coding.h"
#include "platform/linux/registry/hive/hive_header.h"
#include "tests/support/temp_dir.h"

namespace qv::test {

RegResult PutValue(HiveRegistry& registry, RegKey root, std::u16string_view subkey,
                   std::u16string_view name, std::uint32_t type, const Bytes& data) {
  RegKey key = 0;
  RegResult result = registry.RegCreateKeyExW(root, subkey, kKeyAllAccess, &key);
  if (result != kErrorSuccess) return result;
  result = registry.RegSetValueExW(key, name, type, data.data(),
                                   static_cast<std::uint32_t>(data.size()));
  registry.RegCloseKey(key);
  return result;
}

std::optional<std::filesystem::path> SharedNtuserDat() {
  const std::filesystem::path path = std::filesystem::path(QUORVEL_SHARED_DATA_DIR) / "NTUSER.DAT";
  if (!std::filesystem::exists(path)) return std::nullopt;
  return path;
}

void PokeHiveHeader(const std::filesystem::path& hive, std::size_t offset, std::uint32_t value) {
  std::string bytes = ReadFileBytes(hive);
  auto* base = reinterpret_cast<std::uint8_t*>(bytes.data());
  EncodeFixed32(base + offset, value);
  EncodeFixed32(base + kHiveChecksumOffset, HiveHeaderChecksum(base));
  WriteFileBytes(hive, bytes);
}

std::size_t PatchFileBytes(const std::filesystem::path& file, const std::string& from,
                           const std::string& to) {
  std::string bytes = ReadFileBytes(file);
  std::size_t count = 0;
  for (std::size_t at = bytes.find(from); at != std::string::npos;
       at = bytes.find(from, at + from.size())) {
    std::copy(to.begin(), to.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
    ++count;
  }
  WriteFileBytes(file, bytes);
  return count;
}

std::string Utf16Units(std::u16string_view text) {
  std::string bytes;
  for (char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

bool ToolInstalled(const std::string& tool) {
  return RunTool("command -v " + tool + " >/dev/null 2>&1").exitCode == 0;
}

ToolRun RunTool(const std::string& command, const std::string& input) {
  TempDir scratch;
  const std::filesystem::path inputFile = scratch / "input";
  WriteFileBytes(inputFile, input);
  ToolRun run;
  FILE* pipe = ::popen((command + " <'" + inputFile.string() + "' 2>&1").c_str(), "r");
  if (pipe == nullptr) return run;
  std::array<char, 4096> buffer{};
  std::size_t count = 0;
  while ((count = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
    run.output.append(buffer.data(), count);
  }
  const int status = ::pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

}  // namespace qv::test
