#include "platform/win32/files/file_table.h"

#include <windows.h>

#include "platform/shared/last_error.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_error.h"

namespace qv {
namespace {

constexpr std::uint32_t kKnownAccess = kGenericRead | kGenericWrite;

// The opens the engine makes, and no others: what the contract promises is held
// for these alone, on every platform.
bool ValidOpenArguments(std::uint32_t access, std::uint32_t shareMode, std::uint32_t disposition,
                        const std::string& path) {
  if (access == 0 || (access & ~kKnownAccess) != 0) {
    SetLastErrorText("cannot open " + path + ": unsupported access flags");
    return false;
  }
  const bool readerSharingAll = access == kGenericRead && shareMode == (kFileShareRead | kFileShareWrite);
  if ((shareMode & ~kFileShareRead) != 0 && !readerSharingAll) {
    SetLastErrorText("cannot open " + path + ": unsupported share mode");
    return false;
  }
  if (disposition != kOpenExisting && disposition != kOpenAlways && disposition != kCreateAlways) {
    SetLastErrorText("cannot open " + path + ": unsupported disposition");
    return false;
  }
  return true;
}

void SetOpenError(const std::wstring& path, const std::string& shown, DWORD error) {
  // A folder refuses a file open with "access denied", which sends the user
  // looking at permissions.
  if (error == ERROR_ACCESS_DENIED) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      SetLastErrorText("cannot open " + shown + ": it is a folder");
      return;
    }
  }
  SetLastErrorFromWindows("cannot open", shown, error);
}

}  // namespace

FileTable::~FileTable() {
  for (auto& [value, file] : m_files.TakeAll()) CloseHandle(file.hFile);
}

FileTable::OpenFile* FileTable::Find(FileHandle file) {
  OpenFile* open = m_files.Find(file);
  if (open == nullptr) SetLastErrorText("the file handle " + std::to_string(file) + " is not open");
  return open;
}

FileHandle FileTable::Open(std::u16string_view path, std::uint32_t access, std::uint32_t shareMode,
                           std::uint32_t disposition) {
  const std::string shown = ToUtf8(path);
  if (!ValidOpenArguments(access, shareMode, disposition, shown)) return kInvalidHandle;
  const std::wstring wide = Wide(path);
  // The values are Windows' own. No FILE_SHARE_DELETE: a file open here is never
  // renamed over or deleted under its opener.
  const HANDLE file = CreateFileW(wide.c_str(), access, shareMode, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                                  nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    SetOpenError(wide, shown, GetLastError());
    return kInvalidHandle;
  }
  // A device or a pipe ("CON", "NUL", "\\.\pipe\...") takes bytes but is no file:
  // sizes and seeks would mean nothing.
  if (GetFileType(file) != FILE_TYPE_DISK) {
    CloseHandle(file);
    SetLastErrorText("cannot open " + shown + ": it is a device or a pipe, not a file");
    return kInvalidHandle;
  }
  return m_files.Add({file, shown});
}

bool FileTable::Read(FileHandle file, void* buffer, std::uint32_t bytesToRead, std::uint32_t* bytesRead) {
  *bytesRead = 0;
  OpenFile* open = Find(file);
  if (open == nullptr) return false;
  DWORD got = 0;
  if (!ReadFile(open->hFile, buffer, bytesToRead, &got, nullptr)) {
    SetLastErrorFromWindows("cannot read", open->strPath, GetLastError());
    return false;
  }
  *bytesRead = got;
  return true;
}

bool FileTable::Write(FileHandle file, const void* buffer, std::uint32_t bytesToWrite,
                      std::uint32_t* bytesWritten) {
  *bytesWritten = 0;
  OpenFile* open = Find(file);
  if (open == nullptr) return false;
  DWORD written = 0;
  if (!WriteFile(open->hFile, buffer, bytesToWrite, &written, nullptr)) {
    *bytesWritten = written;
    SetLastErrorFromWindows("cannot write", open->strPath, GetLastError());
    return false;
  }
  *bytesWritten = written;
  return true;
}

bool FileTable::Seek(FileHandle file, std::int64_t distance, std::uint32_t origin, std::uint64_t* newPosition) {
  OpenFile* open = Find(file);
  if (open == nullptr) return false;
  LARGE_INTEGER move;
  move.QuadPart = distance;
  LARGE_INTEGER position;
  if (origin > kFileEnd || !SetFilePointerEx(open->hFile, move, &position, origin)) {
    SetLastErrorFromWindows("cannot seek in", open->strPath,
                            origin > kFileEnd ? ERROR_INVALID_PARAMETER : GetLastError());
    return false;
  }
  if (newPosition) *newPosition = static_cast<std::uint64_t>(position.QuadPart);
  return true;
}

bool FileTable::Size(FileHandle file, std::uint64_t* size) {
  OpenFile* open = Find(file);
  if (open == nullptr) return false;
  LARGE_INTEGER length;
  if (!GetFileSizeEx(open->hFile, &length)) {
    SetLastErrorFromWindows("cannot find the size of", open->strPath, GetLastError());
    return false;
  }
  *size = static_cast<std::uint64_t>(length.QuadPart);
  return true;
}

bool FileTable::Flush(FileHandle file) {
  OpenFile* open = Find(file);
  if (open == nullptr) return false;
  if (!FlushFileBuffers(open->hFile)) {
    SetLastErrorFromWindows("cannot flush", open->strPath, GetLastError());
    return false;
  }
  return true;
}

bool FileTable::Close(FileHandle file) {
  std::optional<OpenFile> open = m_files.Take(file);
  if (!open) {
    SetLastErrorText("the file handle " + std::to_string(file) + " is not open");
    return false;
  }
  if (!CloseHandle(open->hFile)) {
    SetLastErrorFromWindows("cannot close", open->strPath, GetLastError());
    return false;
  }
  return true;
}

}  // namespace qv
