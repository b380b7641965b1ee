#include "platform/paths/path_mapping.h"

#include "platform/errors/last_error.h"
#include "platform/text.h"
#include "platform/win_types.h"

namespace qv {

bool IsLosslessUtf8(std::string_view text) { return ToUtf8(FromUtf8(text)) == text; }

bool IsLosslessUtf16(std::u16string_view text) { return FromUtf8(ToUtf8(text)) == text; }

bool WindowsToNativePath(std::u16string_view windowsPath, std::string* nativePath) {
  const std::string shown = ToUtf8(windowsPath);
  if (windowsPath.find(u'\0') != std::u16string_view::npos || !IsLosslessUtf16(windowsPath)) {
    SetLastErrorText("path " + shown + " holds characters no native name can carry");
    return false;
  }
  const bool onDriveZ = windowsPath.size() >= 2 &&
                        (windowsPath[0] == u'Z' || windowsPath[0] == u'z') && windowsPath[1] == u':';
  if (!onDriveZ) {
    SetLastErrorText("path " + shown + " is not on drive Z: and has no native location");
    return false;
  }
  std::u16string_view rest = windowsPath.substr(2);
  if (!rest.empty() && !IsWindowsSeparator(rest.front())) {
    SetLastErrorText("path " + shown + " is relative to a drive and has no native location");
    return false;
  }
  std::string native = rest.empty() ? std::string("/") : ToUtf8(rest);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  *nativePath = std::move(native);
  return true;
}

bool NativeToWindowsPath(std::string_view nativePath, std::u16string* windowsPath) {
  const std::string shown(nativePath);
  if (nativePath.empty() || nativePath.front() != '/') {
    SetLastErrorText("path " + shown + " is not absolute");
    return false;
  }
  if (nativePath.find('\\') != std::string_view::npos) {
    SetLastErrorText("path " + shown + " holds a backslash, which Windows paths cannot hold in a name");
    return false;
  }
  if (!IsLosslessUtf8(nativePath)) {
    SetLastErrorText("path " + shown + " is not valid UTF-8");
    return false;
  }
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
