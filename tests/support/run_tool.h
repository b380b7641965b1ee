// Runs an independent command-line tool (xz, openssl, hivexsh, ...) as a check on
// our bytes: feeds it stdin, captures its stdout.
#pragma once

#include <string>
#include <string_view>

namespace qv::test {

struct ToolResult {
  int exitCode = -1;   // -1 when the command could not be run or was killed
  std::string output;  // everything the command wrote to stdout
};

// Whether `name` is on PATH. Tests skip (GTEST_SKIP) when a tool is missing.
bool ToolAvailable(const std::string& name);

// Runs `command` through /bin/sh with `input` as its stdin (via a temporary file,
// so the tool sees a regular file of known size). Stderr is discarded.
ToolResult RunTool(const std::string& command, std::string_view input = {});

// Lower-case hex of the bytes, no separators: for tool arguments such as -K.
std::string HexString(std::string_view bytes);

}  // namespace qv::test
