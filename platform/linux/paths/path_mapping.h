// platform/linux/paths/ owns the meaning of paths: Windows form and native form, the profile
// folder and %USERPROFILE%, case folding, and where a path really leads through links.
//
// Native absolute paths appear to the engine as paths on drive Z:, the way Wine
// shows the Linux root: "/a/b" is "Z:\a\b". Only that drive has a native location;
// "C:\Users\x", relative and drive-relative paths have none.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qv {

// Accepts either separator and either case of the drive letter. False (and this
// thread's LastErrorText says why) when the path has no native location or holds
// text that UTF-8 cannot carry unchanged.
[[nodiscard]] bool WindowsToNativePath(std::u16string_view windowsPath, std::string* nativePath);

// `nativePath` must be absolute. False when a name in it holds a backslash or is
// not valid UTF-8: the Windows form would name a different file.
[[nodiscard]] bool NativeToWindowsPath(std::string_view nativePath, std::u16string* windowsPath);

// Whether a folder entry called `nativeName`, inside a folder whose Windows form
// takes `folderUnits` units, can be given to the engine. When not, *reason says why.
[[nodiscard]] bool NameFitsWindowsForm(std::string_view nativeName, std::size_t folderUnits,
                                       std::string* reason);

// Text that survives UTF-8 -> UTF-16 -> UTF-8 (or the reverse) unchanged.
bool IsLosslessUtf8(std::string_view text);
bool IsLosslessUtf16(std::u16string_view text);

inline bool IsWindowsSeparator(char16_t unit) { return unit == u'\\' || unit == u'/'; }

}  // namespace qv
