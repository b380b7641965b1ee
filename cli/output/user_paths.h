// The engine names files in Windows form ("Z:\home\me\a.qvl"); users of qvl know
// them by their native form. These turn the one into the other in what is shown.
#pragma once

#include <string>
#include <string_view>

namespace qv::cli {

// A path the engine reported in UTF-8: its native form when it has one, else as it
// is (qv::ShownPath takes the engine's UTF-16 form).
std::string ShownReportedPath(std::string_view windowsPathUtf8);
// The text with every quoted Windows-form path ("Z:\...") in native form.
std::string WithNativePaths(std::string_view text);

}  // namespace qv::cli
