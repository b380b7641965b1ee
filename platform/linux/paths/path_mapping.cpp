#include "platform/linux/paths/path_mapping.h"

#include <algorithm>

#include "platform/shared/last_error.h"
#include "platform/text/text.h"
#include "platform/win_types.h"

namespace qv {

bool IsLosslessUtf8(std::string_view text) {
  const bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  return ascii || ToUtf8(FromUtf8(text)) == text;
}

// Only an unpaired surrogate comes back from UTF-8 changed.
bool IsLosslessUtf16(std::u16string_view text) { return !HasUnpairedSurrogate(text); }

bool WindowsToNativePath(std::u16string_view windowsPath, std::string* nativePath) {
  // Put together for a message only: every open and listing comes through here.
  const auto refuse = [&](const char* why) {
    SetLastErrorText("path " + ToUtf8(windowsPath) + why);
    return false;
  };
  const bool onDriveZ = windowsPath.size() >= 2 &&
                        (windowsPath[0] == u'Z' || windowsPath[0] == u'z') && windowsPath[1] == u':';
  // The common case in one pass: a path on Z: of ASCII units only.
  if (onDriveZ && windowsPath.size() >= 3 && IsWindowsSeparator(windowsPath[2])) {
    std::string native(windowsPath.size() - 2, '\0');
    bool ascii = true;
    for (std::size_t i = 2; i < windowsPath.size() && ascii; ++i) {
      const char16_t unit = windowsPath[i];
      ascii = unit != 0 && unit < 0x80;
      native[i - 2] = IsWindowsSeparator(unit) ? '/' : static_cast<char>(unit);
    }
    if (ascii) {
      *nativePath = std::move(native);
      return true;
    }
  }
  if (windowsPath.find(u'\0') != std::u16string_view::npos || !IsLosslessUtf16(windowsPath)) {
    return refuse(" holds characters no native name can carry");
  }
  if (!onDriveZ) return refuse(" is not on drive Z: and has no native location");
  std::u16string_view rest = windowsPath.substr(2);
  if (!rest.empty() && !IsWindowsSeparator(rest.front())) {
    return refuse(" is relative to a drive and has no native location");
  }
  std::string native = rest.empty() ? std::string("/") : ToUtf8(rest);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  *nativePath = std::move(native);
  return true;
}

bool NativeToWindowsPath(std::string_view nativePath, std::u16string* windowsPath) {
  const auto refuse = [&](const char* why) {
    SetLastErrorText("path " + std::string(nativePath) + why);
    return false;
  };
  if (nativePath.empty() || nativePath.front() != '/') return refuse(" is not absolute");
  if (nativePath.find('\\') != std::string_view::npos) {
    return refuse(" holds a backslash, which Windows paths cannot hold in a name");
  }
  if (!IsLosslessUtf8(nativePath)) return refuse(" is not valid UTF-8");
  std::u16string windows = u"Z:" + FromUtf8(nativePath);
  for (char16_t& unit : windows) {
    if (unit == u'/') unit = u'\\';
  }
  *windowsPath = std::move(windows);
  return true;
}

bool NameFitsWindowsForm(std::string_view nativeName, std::size_t folderUnits,
                         std::string* reason) {
  if (nativeName.find('\\') != std::string_view::npos) {
    *reason = "the name holds a backslash";
    return false;
  }
  if (!IsLosslessUtf8(nativeName)) {
    *reason = "the name is not valid UTF-8";
    return false;
  }
  const std::size_t units = folderUnits + FromUtf8(nativeName).size();
  if (units > kMaxPathUnits) {
    *reason = "the full path takes " + std::to_string(units) + " UTF-16 units, more than " +
              std::to_string(kMaxPathUnits);
    return false;
  }
  return true;
}

}  // namespace qv
