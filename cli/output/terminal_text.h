// Text from an archive (a favorite's name, a key, a reason that quotes them), made
// safe to show on a terminal. A name may hold ESC, BEL, BS or CR, which a terminal
// obeys: it could retitle the window, clear the screen or overprint a line. As
// ls -b does, each control character, and each byte that is not UTF-8, is shown as
// a backslash escape: \a \b \t \n \v \f \r, else three octal digits (\033 for ESC,
// \302\233 for the UTF-8 of U+009B). A backslash stays itself: Windows paths are
// full of them. JSON escapes for itself.
#pragma once

#include <string>
#include <string_view>

namespace qv::cli {

std::string TerminalText(std::string_view text);

}  // namespace qv::cli
