// What a command-line program needs of the Windows console at start: its
// arguments in UTF-8, and output that reaches the console and pipes as the bytes
// it writes.
#pragma once

#include <string>
#include <vector>

namespace qv {

// Standard output and error write bytes as they are (no CR is added before LF, so
// that what qvl prints is the same on every system), and a console shows them as
// UTF-8.
void PrepareConsoleForUtf8();

// wmain's arguments, UTF-16 whatever the code page, as UTF-8.
std::vector<std::string> Utf8Arguments(int argc, wchar_t** argv);

// Makes getenv() give these variables in UTF-8, as on Linux: the C library gives
// them in the code page, which cannot hold every character a password may have.
void ReadEnvironmentAsUtf8(const std::vector<std::string>& names);

}  // namespace qv
