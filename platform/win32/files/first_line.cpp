#include "platform/win32/files/first_line.h"

#include <windows.h>

#include <algorithm>

#include "platform/shared/first_line_chunk.h"
#include "platform/shared/last_error.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_error.h"

namespace qv {
namespace {

class OwnedHandle {
 public:
  explicit OwnedHandle(HANDLE handle) : m_hHandle(handle) {}
  ~OwnedHandle() {
    if (m_hHandle != INVALID_HANDLE_VALUE) ::CloseHandle(m_hHandle);
  }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;

 private:
  HANDLE m_hHandle;
};

}  // namespace

bool ReadFirstLineOf(std::u16string_view path, std::size_t maxBytes, std::string* line) {
  const std::string name = path.empty() ? std::string("standard input") : ToUtf8(path);
  HANDLE handle = GetStdHandle(STD_INPUT_HANDLE);
  if (!path.empty()) {
    const std::wstring wide = Wide(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      SetLastErrorText("cannot read " + name + ": it is a folder");
      return false;
    }
    // Shared every way: the program that hands the password over may still hold it.
    handle = ::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      SetLastErrorFromWindows("cannot open", name, GetLastError());
      return false;
    }
  } else if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
    SetLastErrorText("cannot read " + name + ": this process has none");
    return false;
  }
  const OwnedHandle closer(path.empty() ? INVALID_HANDLE_VALUE : handle);
  // Read as a file, a console would take the typed password with echo on.
  DWORD mode = 0;
  if (GetConsoleMode(handle, &mode) != 0) {
    SetLastErrorText("cannot read " + name + ": it is a terminal");
    return false;
  }
  // Never past the line feed's chunk nor past the bound: a stream may be endless.
  line->clear();
  char chunk[512];
  for (;;) {
    const std::size_t room = maxBytes + 1 - line->size();
    DWORD got = 0;
    if (!::ReadFile(handle, chunk, static_cast<DWORD>(std::min(sizeof chunk, room)), &got, nullptr)) {
      const DWORD error = GetLastError();
      // A pipe whose writer is gone has ended, as a file does.
      if (error != ERROR_BROKEN_PIPE) {
        SetLastErrorFromWindows("cannot read", name, error);
        return false;
      }
      got = 0;
    }
    const LineChunk taken = TakeLineChunk(line, chunk, got, maxBytes, name);
    if (taken != LineChunk::kMore) return taken == LineChunk::kDone;
  }
}

}  // namespace qv
