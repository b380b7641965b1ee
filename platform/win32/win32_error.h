// Windows' error codes as the thread's failure text, in the words the callers and
// users read on every platform.
#pragma once

#include <string>
#include <string_view>

namespace qv {

// What Windows says about `error`, in English where the system has it, without
// the closing full stop and line end.
std::string WindowsErrorText(unsigned long error);

// Sets "what path: why" for `error` (GetLastError()'s value). A sharing violation
// reads "path is in use: ...", as the callers look for.
void SetLastErrorFromWindows(std::string_view what, std::string_view path, unsigned long error);

}  // namespace qv
