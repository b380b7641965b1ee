#include "platform/win32/paths/path_resolution.h"

#include <windows.h>

#include <vector>

#include "platform/shared/last_error.h"
#include "platform/text/windows_case.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_error.h"

namespace qv {
namespace {

bool IsSeparator(char16_t unit) { return unit == u'\\' || unit == u'/'; }

// Where the links of an existing file or folder lead.
bool FinalPathOf(const std::u16string& existing, std::u16string* final) {
  // No access asked: looking needs no rights to the content, and nothing is
  // locked against other openers.
  const HANDLE handle = CreateFileW(Wide(existing).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    SetLastErrorFromWindows("cannot look at", ToUtf8(existing), GetLastError());
    return false;
  }
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (;;) {
    const DWORD length = GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) {
      const DWORD error = GetLastError();
      CloseHandle(handle);
      SetLastErrorFromWindows("cannot tell where this leads:", ToUtf8(existing), error);
      return false;
    }
    if (length < buffer.size()) {
      CloseHandle(handle);
      *final = WithoutLongPathPrefix(FromWide(std::wstring_view(buffer.data(), length)));
      return true;
    }
    buffer.resize(length + 1);
  }
}

bool Exists(const std::u16string& path) { return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

std::u16string WithoutLongPathPrefix(std::u16string path) {
  if (path.rfind(u"\\\\?\\UNC\\", 0) == 0) return u"\\\\" + path.substr(8);
  if (path.rfind(u"\\\\?\\", 0) == 0) return path.substr(4);
  return path;
}

bool FullPath(std::u16string_view path, std::u16string* full) {
  const std::wstring wide = Wide(path);
  if (wide.empty()) {
    SetLastErrorText("an empty path names nothing");
    return false;
  }
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (;;) {
    const DWORD length = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (length == 0) {
      SetLastErrorFromWindows("cannot make a full path of", ToUtf8(path), GetLastError());
      return false;
    }
    if (length < buffer.size()) {
      *full = FromWide(std::wstring_view(buffer.data(), length));
      return true;
    }
    buffer.resize(length + 1);
  }
}

bool ResolvedPath(std::u16string_view path, std::u16string* resolved) {
  std::u16string full;
  if (!FullPath(path, &full)) return false;
  // The longest existing part: each step up drops one component.
  std::u16string existing = full;
  while (!existing.empty() && !Exists(existing)) {
    std::size_t separator = existing.find_last_of(u"\\/");
    if (separator == std::u16string::npos) {
      existing.clear();
      break;
    }
    while (separator > 0 && IsSeparator(existing[separator - 1])) --separator;
    existing.resize(separator);
    // "C:" alone is the current folder of the drive; its root is meant.
    if (existing.size() == 2 && existing[1] == u':') existing += u'\\';
  }
  if (existing.empty()) {
    *resolved = full;
    return true;
  }
  std::u16string final;
  if (!FinalPathOf(existing, &final)) return false;
  std::u16string rest = full.substr(std::min(existing.size(), full.size()));
  if (!final.empty() && IsSeparator(final.back()) && !rest.empty() && IsSeparator(rest.front())) rest.erase(0, 1);
  *resolved = final + rest;
  return true;
}

bool IsResolvedPathWithin(std::u16string_view path, std::u16string_view folder) {
  while (!folder.empty() && IsSeparator(folder.back())) folder.remove_suffix(1);
  if (path.size() < folder.size()) return false;
  for (std::size_t i = 0; i < folder.size(); ++i) {
    if (IsSeparator(path[i]) && IsSeparator(folder[i])) continue;
    if (UpperCaseUnit(path[i]) != UpperCaseUnit(folder[i])) return false;
  }
  // "C:\Users\al" does not hold "C:\Users\alice".
  return path.size() == folder.size() || IsSeparator(path[folder.size()]);
}

}  // namespace qv
