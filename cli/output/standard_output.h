// Standard output, checked. A full disk or a pipe's error shows only as a failed
// write, never as an exception, and what the C library buffers meets the file only
// later. So everything qvl prints goes through one buffer of its own that writes
// standard output directly, remembers the first write that failed (and why), and
// writes nothing after it: the output is then cut short, never holed. A command
// checks before it says that its output is written, and the end of every run
// flushes and closes standard output and turns a loss into exit code 1.
#pragma once

#include <string>
#include <string_view>

#include "platform/status.h"

namespace qv::cli {

// Puts std::cout on the checked buffer; first thing in main, before any output.
void InstallCheckedStandardOutput();
// Through std::cout, in order with what went before it.
[[nodiscard]] Status WriteStandardOutput(std::string_view bytes);
// Flushes; empty when everything written so far arrived, else why not.
std::string StandardOutputProblem();
// "COMMAND: cannot write to standard output: WHY" on standard error, once per run.
void ReportStandardOutputProblem(std::string_view command, std::string_view why);
// The end of a run: flushes and closes standard output. When any of it was lost,
// says so (unless already said) and returns kExitFailed in place of a success or
// a partial success.
int CloseStandardOutput(int exitCode, std::string_view command);

}  // namespace qv::cli
