#include "platform/win32/win32_error.h"

#include <windows.h>

#include "platform/shared/last_error.h"
#include "platform/win32/wide_text.h"

namespace qv {
namespace {

std::wstring MessageIn(unsigned long error, DWORD language) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
      language, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = length > 0 && text != nullptr ? std::wstring(text, length) : std::wstring();
  if (text != nullptr) LocalFree(text);
  return message;
}

}  // namespace

std::string WindowsErrorText(unsigned long error) {
  // Messages in the user's language would reach scripts that look for words; the
  // English ones come first where the system has them.
  std::wstring message = MessageIn(error, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  if (message.empty()) message = MessageIn(error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT));
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' ' ||
                              message.back() == L'.')) {
    message.pop_back();
  }
  if (message.empty()) return "Windows error " + std::to_string(error);
  return Utf8FromWide(message);
}

void SetLastErrorFromWindows(std::string_view what, std::string_view path, unsigned long error) {
  std::string text;
  if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) {
    text.append(path);
    text += " is in use: another opener's sharing excludes this open";
  } else {
    text.append(what);
    if (!path.empty()) {
      text += ' ';
      text.append(path);
    }
    text += ": ";
    text += WindowsErrorText(error);
  }
  SetLastErrorText(std::move(text));
}

}  // namespace qv
