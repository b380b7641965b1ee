#include "tests/cli/qvl_session.h"

#include "tests/support/run_tool.h"
#include "tests/support/temp_dir.h"

namespace qv::test {

QvlResult QvlSession::RunOnProfile(const std::string& arguments, const std::string& environment) {
  return Run(arguments + " --profile='" + m_profile.ProfileDir().string() + "'", environment);
}

std::string RunPython(const std::string& program, const std::string& input, int* exitCode) {
  TempDir dir;
  WriteFileBytes(dir / "program.py", program);
  const ToolResult run = RunTool("python3 '" + (dir / "program.py").string() + "'", input);
  if (exitCode != nullptr) *exitCode = run.exitCode;
  return run.output;
}

}  // namespace qv::test
