#include "tests/support/hive_test_tools.h"

#include <grp.h>
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

std::string RunAsUnprivileged(unsigned id, const std::function<std::string()>& body) {
  int channel[2] = {-1, -1};
  if (::pipe(channel) != 0) return "pipe failed";
  const pid_t child = ::fork();
  if (child < 0) return "fork failed";
  if (child == 0) {
    ::close(channel[0]);
    std::string result = "cannot drop privileges";
    if (::setgroups(0, nullptr) == 0 && ::setgid(id) == 0 && ::setuid(id) == 0) result = body();
    const ssize_t ignored = ::write(channel[1], result.data(), result.size());
    (void)ignored;
    ::_exit(0);  // skips the parent's atexit work, which is not the child's to do
  }
  ::close(channel[1]);
  std::string result;
  std::array<char, 4096> buffer{};
  ssize_t count = 0;
  while ((count = ::read(channel[0], buffer.data(), buffer.size())) > 0) {
    result.append(buffer.data(), static_cast<std::size_t>(count));
  }
  ::close(channel[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "child failed: " + result;
  return result;
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
