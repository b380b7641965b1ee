#include "tests/support/run_tool.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cstdio>

#include "tests/support/temp_dir.h"

namespace qv::test {

#ifdef _WIN32
// The tools are the Linux system's; a Windows build's tests skip what needs them.
bool ToolAvailable(const std::string&) { return false; }
ToolResult RunTool(const std::string&, std::string_view) { return {}; }
#else
bool ToolAvailable(const std::string& name) {
  return RunTool("command -v " + name + " >/dev/null").exitCode == 0;
}

ToolResult RunTool(const std::string& command, std::string_view input) {
  TempDir dir;
  const auto inputPath = dir / "stdin";
  WriteFileBytes(inputPath, std::string(input));

  ToolResult result;
  const std::string line = "(" + command + ") <'" + inputPath.string() + "' 2>/dev/null";
  FILE* pipe = popen(line.c_str(), "r");
  if (!pipe) return result;
  char buffer[4096];
  std::size_t got = 0;
  while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, got);
  const int status = pclose(pipe);
  if (status != -1 && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  return result;
}
#endif

std::string HexString(std::string_view bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    hex.push_back(kDigits[byte >> 4]);
    hex.push_back(kDigits[byte & 0xF]);
  }
  return hex;
}

}  // namespace qv::test
