// platform/terminal/ owns what a command line needs of its terminal and its
// process: questions asked without echo, and signals that ask a job to stop.
//
// Asking for a password on the terminal: the prompt on standard error, the answer
// read from standard input with echo off. The terminal gets its settings back even
// when a signal ends the program in the middle of the question.
#pragma once

#include <optional>
#include <string>

namespace qv {

bool StandardInputIsTerminal();

// One line without its line ending; nullopt at the end of input (Ctrl-D) or when
// the terminal cannot be read.
std::optional<std::string> PromptWithoutEcho(const std::string& prompt);

}  // namespace qv
