// Turning an errno into the calling thread's failure text and into the Windows
// error codes that some platform operations return.
#pragma once

#include <string_view>

namespace qv {

// "<what> <nativePath>: <strerror text>" becomes this thread's LastErrorText.
void SetLastErrorFromErrno(std::string_view what, std::string_view nativePath, int error);

// The Windows error code a caller would have seen for the same cause.
int WindowsErrorFromErrno(int error);

}  // namespace qv
