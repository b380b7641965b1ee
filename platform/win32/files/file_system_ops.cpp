#include "platform/win32/files/file_system_ops.h"

#include <windows.h>

#include "platform/shared/last_error.h"
#include "platform/win32/paths/path_resolution.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_error.h"

namespace qv {
namespace {

constexpr int kErrorFileExists = 80;
// NTFS, FAT and the rest hold names of up to 255 UTF-16 units.
constexpr std::size_t kMaxNameUnits = 255;

bool IsSeparator(char16_t unit) { return unit == u'\\' || unit == u'/'; }

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// One separator between components, none at the end, so that "a\\b\" and "a\b"
// are one folder; a UNC path keeps its two leading ones.
std::u16string TidyFolderPath(std::u16string_view path) {
  std::u16string tidy;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const char16_t unit = IsSeparator(path[i]) ? u'\\' : path[i];
    if (unit == u'\\' && !tidy.empty() && tidy.back() == u'\\' && i > 1) continue;
    tidy.push_back(unit);
  }
  while (tidy.size() > 3 && tidy.back() == u'\\') tidy.pop_back();
  return tidy;
}

bool IsDriveRoot(const std::u16string& path) {
  return (path.size() == 2 && path[1] == u':') || (path.size() == 3 && path[1] == u':' && path[2] == u'\\');
}

// The folder is made first and its parent only when that is missing: a restore
// makes folders in order, so each usually costs one call instead of one per level.
int MakeFolderAndParents(const std::u16string& folder, bool last) {
  const std::wstring wide = Wide(folder);
  if (CreateDirectoryW(wide.c_str(), nullptr)) return 0;
  DWORD error = GetLastError();
  if (error == ERROR_PATH_NOT_FOUND) {
    const std::size_t separator = folder.find_last_of(u'\\');
    if (separator != std::u16string::npos && separator > 0 && !IsDriveRoot(folder.substr(0, separator + 1))) {
      const int parent = MakeFolderAndParents(folder.substr(0, separator), false);
      if (parent != 0 && parent != kErrorAlreadyExists) return parent;
      if (CreateDirectoryW(wide.c_str(), nullptr)) return 0;
      error = GetLastError();
    }
  }
  if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) {
    if (IsFolder(wide)) return kErrorAlreadyExists;
    SetLastErrorText("cannot create the folder " + ToUtf8(folder) + ": something other than a folder holds that name");
    // Below a file no folder can be made: the path is not found, as Windows says.
    return last ? kErrorFileExists : kErrorPathNotFound;
  }
  SetLastErrorFromWindows("cannot create the folder", ToUtf8(folder), error);
  return static_cast<int>(error);
}

bool SameFile(HANDLE a, HANDLE b) {
  BY_HANDLE_FILE_INFORMATION first;
  BY_HANDLE_FILE_INFORMATION second;
  return GetFileInformationByHandle(a, &first) && GetFileInformationByHandle(b, &second) &&
         first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

}  // namespace

bool DeletePath(std::u16string_view path) {
  if (!DeleteFileW(Wide(path).c_str())) {
    SetLastErrorFromWindows("cannot delete", ToUtf8(path), GetLastError());
    return false;
  }
  return true;
}

bool PathExists(std::u16string_view path) {
  const HANDLE handle = CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    // A file another opener shares with nobody is still there.
    const DWORD error = GetLastError();
    if (error == ERROR_SHARING_VIOLATION) return true;
    SetLastErrorFromWindows("cannot find", ToUtf8(path), error);
    return false;
  }
  CloseHandle(handle);
  return true;
}

std::uint32_t PathAttributes(std::u16string_view path, int* error) {
  const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD cause = GetLastError();
    SetLastErrorFromWindows("cannot look at", ToUtf8(path), cause);
    // A name whose folder is missing is as missing as the name itself.
    if (error) {
      *error = cause == ERROR_FILE_NOT_FOUND || cause == ERROR_PATH_NOT_FOUND ? static_cast<int>(kErrorFileNotFound)
                                                                              : static_cast<int>(cause);
    }
    return kInvalidFileAttributes;
  }
  if (error) *error = 0;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return kFileAttributeReparsePoint;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? kFileAttributeDirectory : kFileAttributeNormal;
}

int CreateFolderTree(std::u16string_view path) {
  const std::u16string folder = TidyFolderPath(path);
  if (folder.empty()) {
    SetLastErrorText("an empty path names no folder");
    return kErrorPathNotFound;
  }
  return MakeFolderAndParents(folder, true);
}

bool LookAtWriteTarget(std::u16string_view path, WriteTarget* target) {
  const std::wstring wide = Wide(path);
  const HANDLE handle = CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND) {
      SetLastErrorFromWindows("cannot look at", ToUtf8(path), error);
      return false;
    }
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      // Where a link that leads nowhere would lead takes reading the link itself;
      // renaming over it would replace the link, not make the file it names.
      SetLastErrorText("cannot write " + ToUtf8(path) + ": it is a link that leads nowhere");
      return false;
    }
    target->kind = WriteTargetKind::kNothing;
    target->bStandardOutput = false;
    return ResolvedPath(path, &target->strPath);
  }
  const DWORD type = GetFileType(handle);
  BY_HANDLE_FILE_INFORMATION info{};
  const bool folder = type == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info) &&
                      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  target->bStandardOutput = type == FILE_TYPE_DISK && output != nullptr && output != INVALID_HANDLE_VALUE &&
                            GetFileType(output) == FILE_TYPE_DISK && SameFile(handle, output);
  CloseHandle(handle);
  if (type != FILE_TYPE_DISK || folder) {
    target->kind = folder ? WriteTargetKind::kFolder : WriteTargetKind::kDevice;
    target->strPath = std::u16string(path);
    return true;
  }
  target->kind = WriteTargetKind::kFile;
  return ResolvedPath(path, &target->strPath);
}

bool FolderTakesFiles(std::u16string_view path) {
  std::u16string folder = TidyFolderPath(path);
  const std::u16string asked = folder;
  for (;;) {
    const DWORD attributes = GetFileAttributesW(Wide(folder).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
      const std::string which =
          folder == asked ? std::string("it") : "the folder " + ToUtf8(folder) + " it would be made in";
      if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        SetLastErrorText(folder == asked ? "it is not a folder" : ToUtf8(folder) + ", on its way, is not a folder");
        return false;
      }
      // What a restore needs of it: to add files and folders, which opening it
      // for that asks of its security and its volume, without adding any.
      const HANDLE handle = CreateFileW(Wide(folder).c_str(), FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
      if (handle == INVALID_HANDLE_VALUE) {
        SetLastErrorText(which + " does not take new files (" + WindowsErrorText(GetLastError()) + ")");
        return false;
      }
      CloseHandle(handle);
      return true;
    }
    const DWORD error = GetLastError();
    const std::size_t separator = folder.find_last_of(u'\\');
    if ((error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) || separator == std::u16string::npos ||
        separator == 0 || IsDriveRoot(folder)) {
      SetLastErrorFromWindows("cannot look at", ToUtf8(folder), error);
      return false;
    }
    folder.resize(IsDriveRoot(folder.substr(0, separator + 1)) ? separator + 1 : separator);
  }
}

bool NameFits(std::u16string_view name) {
  if (name.size() <= kMaxNameUnits) return true;
  SetLastErrorText("it takes " + std::to_string(name.size()) + " units, more than the " +
                   std::to_string(kMaxNameUnits) + " a name holds on this system");
  return false;
}

}  // namespace qv
