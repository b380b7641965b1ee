// Runs the built qvl as a user would, in a scratch folder beside a temporary
// profile: no QVL_PASSWORD unless a test sets it, standard error kept apart, and a
// pseudo-terminal for the questions qvl asks only on a terminal.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/profile_fixture.h"

namespace qv::test {

struct QvlResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

inline constexpr char kEndOfInput[] = "\x04";

class QvlSession {
 public:
  // `arguments` and `environment` are shell words, quoted by the caller.
  QvlResult Run(const std::string& arguments, const std::string& environment = "");
  // As Run, and --profile=the fixture's profile at the end.
  QvlResult RunOnProfile(const std::string& arguments, const std::string& environment = "");
  // Runs qvl with standard input, output and error on a new terminal. Each time
  // the output ends with ": " (a question), the next answer and a line feed are
  // typed (kEndOfInput alone: Ctrl-D). The transcript is everything the terminal
  // showed.
  QvlResult RunInTerminal(const std::vector<std::string>& arguments, const std::vector<std::string>& answers);

  ProfileFixture& Profile() { return m_profile; }
  std::filesystem::path Scratch(const std::string& name) const { return m_profile.Scratch(name); }
  std::string ScratchText(const std::string& name) const { return Scratch(name).string(); }

 private:
  ProfileFixture m_profile;
};

// Runs a python3 program on `input` (standard input); its standard output.
// Tests that use it skip when python3 is missing.
std::string RunPython(const std::string& program, const std::string& input, int* exitCode = nullptr);

}  // namespace qv::test
