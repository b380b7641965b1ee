// The Platform of Windows: files, listings and shell folders through the wide
// Win32 calls, the live registry, windows as message sinks.
#include "platform/win32/win32_platform.h"

#include <windows.h>
#include <shlobj.h>

#include <utility>
#include <vector>

#include "platform/shared/last_error.h"
#include "platform/shared/profile_variables.h"
#include "platform/shared/skipped_entries.h"
#include "platform/shared/window_messages.h"
#include "platform/win32/files/file_system_ops.h"
#include "platform/win32/files/file_table.h"
#include "platform/win32/files/first_line.h"
#include "platform/win32/files/folder_listing.h"
#include "platform/win32/files/temp_files.h"
#include "platform/win32/paths/path_resolution.h"
#include "platform/win32/profile_lock.h"
#include "platform/win32/registry/live_registry.h"
#include "platform/win32/registry/live_registry_writes.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_error.h"

namespace qv {
namespace {

constexpr char16_t kFavoritesFolder[] = u"Favorites";

bool IsAllWildcard(std::u16string_view pattern) { return pattern == u"*" || pattern == u"*.*"; }

// A shell folder's path, created or verified as asked, or not looked at.
bool ShellFolder(int csidl, DWORD flags, std::u16string* path) {
  wchar_t buffer[MAX_PATH + 1] = {};
  const HRESULT result = SHGetFolderPathW(nullptr, csidl | static_cast<int>(flags), nullptr, SHGFP_TYPE_CURRENT, buffer);
  if (result != S_OK) {
    SetLastErrorText("the shell knows no folder " + std::to_string(csidl) + " for this user (" +
                     WindowsErrorText(static_cast<unsigned long>(result) & 0xFFFFu) + ")");
    return false;
  }
  *path = FromWide(buffer);
  return true;
}

std::u16string ProfileFolderOf(const Win32PlatformOptions& options) {
  std::u16string folder;
  if (!options.strProfileFolder.empty()) {
    if (!FullPath(options.strProfileFolder, &folder)) folder = options.strProfileFolder;
  } else if (!ShellFolder(CSIDL_PROFILE, CSIDL_FLAG_DONT_VERIFY, &folder)) {
    folder.clear();
  }
  while (folder.size() > 3 && (folder.back() == u'\\' || folder.back() == u'/')) folder.pop_back();
  return folder;
}

class Win32Platform final : public Platform {
 public:
  explicit Win32Platform(const Win32PlatformOptions& options)
      : m_bOwnProfile(options.strProfileFolder.empty()),
        m_strProfileFolder(ProfileFolderOf(options)),
        m_strTempFolder(options.strTempFolder),
        m_profileVariables(m_strProfileFolder),
        m_registry(options.strRegistryRoot) {}

  FileHandle CreateFileW(std::u16string_view path, std::uint32_t access, std::uint32_t shareMode,
                         std::uint32_t disposition) override {
    return m_files.Open(path, access, shareMode, disposition);
  }
  bool ReadFile(FileHandle file, void* buffer, std::uint32_t bytesToRead, std::uint32_t* bytesRead) override {
    return m_files.Read(file, buffer, bytesToRead, bytesRead);
  }
  bool WriteFile(FileHandle file, const void* buffer, std::uint32_t bytesToWrite,
                 std::uint32_t* bytesWritten) override {
    return m_files.Write(file, buffer, bytesToWrite, bytesWritten);
  }
  bool SetFilePointer(FileHandle file, std::int64_t distance, std::uint32_t origin,
                      std::uint64_t* newPosition) override {
    return m_files.Seek(file, distance, origin, newPosition);
  }
  bool GetFileSize(FileHandle file, std::uint64_t* size) override { return m_files.Size(file, size); }
  bool FlushFileBuffers(FileHandle file) override { return m_files.Flush(file); }
  bool CloseHandle(FileHandle file) override { return m_files.Close(file); }

  bool DeleteFileW(std::u16string_view path) override { return DeletePath(path); }
  bool PathFileExistsW(std::u16string_view path) override { return PathExists(path); }
  std::uint32_t GetFileAttributesW(std::u16string_view path, int* error) override {
    return PathAttributes(path, error);
  }
  bool GetTempFileNameW(std::u16string_view folder, std::u16string* tempPath, bool ownerOnly) override {
    return CreateTempFileIn(folder, ownerOnly, tempPath);
  }
  bool GetTempPathW(std::u16string* folder) override {
    if (!m_strTempFolder.empty()) {
      *folder = m_strTempFolder;
      return true;
    }
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
    if (length == 0 || length > MAX_PATH) {
      SetLastErrorText("the system names no folder for temporary files");
      return false;
    }
    std::u16string path(reinterpret_cast<const char16_t*>(buffer), length);
    // Without its closing separator, as every other folder of ours, unless it is a
    // drive's root.
    if (path.size() > 3 && path.back() == u'\\') path.pop_back();
    *folder = std::move(path);
    return true;
  }
  std::vector<std::string> ReplaceFilesDurably(const std::vector<FileReplacement>& batch,
                                               const RenameTurn& turn) override {
    return qv::ReplaceFilesDurably(batch, turn);
  }
  std::uint64_t RemoveStaleTempFiles(std::u16string_view folder, bool withSubfolders) override {
    return qv::RemoveStaleTempFiles(folder, withSubfolders);
  }
  bool CanWriteFolder(std::u16string_view folder) override { return FolderTakesFiles(folder); }
  bool CanHoldName(std::u16string_view name) override { return NameFits(name); }
  bool MoveFileExW(std::u16string_view from, std::u16string_view to) override {
    return ReplaceFileDurably(from, to);
  }
  bool GetWriteTarget(std::u16string_view path, WriteTarget* target) override {
    return LookAtWriteTarget(path, target);
  }

  FindHandle FindFirstFileW(std::u16string_view searchPath, FindData* found) override {
    const std::size_t separator = searchPath.find_last_of(u"\\/");
    if (separator == std::u16string_view::npos || !IsAllWildcard(searchPath.substr(separator + 1))) {
      SetLastErrorText("cannot list " + ToUtf8(searchPath) + ": only the patterns \"*\" and \"*.*\" are supported");
      return kInvalidHandle;
    }
    std::u16string folder(searchPath.substr(0, separator));
    folder += u'\\';
    return m_listings.First(folder, found);
  }
  bool FindNextFileW(FindHandle find, FindData* found) override { return m_listings.Next(find, found); }
  bool FindClose(FindHandle find) override { return m_listings.Close(find); }
  std::vector<SkippedEntry> TakeSkippedEntries() override { return TakeSkippedEntriesOfThread(); }

  bool SHGetSpecialFolderPathW(int csidl, bool create, std::u16string* path) override {
    if (csidl != kCsidlFavorites) {
      SetLastErrorText("special folder " + std::to_string(csidl) + " is not supported");
      return false;
    }
    std::u16string favorites;
    if (!FavoritesPath(&favorites)) return false;
    if (favorites.size() > kMaxPathUnits) {
      SetLastErrorText("the Favorites folder's path is longer than " + std::to_string(kMaxPathUnits) + " units");
      return false;
    }
    if (create) {
      if (!ProfileFolderIsThere()) return false;
      const int made = CreateFolderTree(favorites);
      if (made != 0 && made != kErrorAlreadyExists) return false;
    } else if (PathAttributes(favorites, nullptr) != kFileAttributeDirectory) {
      SetLastErrorText("the Favorites folder " + ToUtf8(favorites) + " does not exist");
      return false;
    }
    *path = std::move(favorites);
    return true;
  }
  int SHCreateDirectoryExW(std::u16string_view path) override { return CreateFolderTree(path); }
  bool PathUnExpandEnvStringsW(std::u16string_view path, std::u16string* out) override {
    return m_profileVariables.UnExpand(path, out);
  }
  std::u16string ExpandEnvironmentStringsW(std::u16string_view text) override {
    return m_profileVariables.Expand(text);
  }
  std::u16string GetModuleFileNameW() override {
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    for (;;) {
      const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
      if (length == 0) {
        SetLastErrorFromWindows("cannot name", "this program", GetLastError());
        return {};
      }
      if (length < buffer.size()) return FromWide(std::wstring_view(buffer.data(), length));
      buffer.resize(buffer.size() * 2);
    }
  }
  bool IsPathWithin(std::u16string_view path, std::u16string_view folder, bool* unresolved) override {
    if (unresolved) *unresolved = false;
    std::u16string resolvedPath;
    std::u16string resolvedFolder;
    if (!ResolvedPath(path, &resolvedPath) || !ResolvedPath(folder, &resolvedFolder)) {
      if (unresolved) *unresolved = true;
      return false;
    }
    return IsResolvedPathWithin(resolvedPath, resolvedFolder);
  }

  ProfileLock LockProfile(std::uint32_t waitMilliseconds, bool create) override {
    std::u16string favorites;
    if (!FavoritesPath(&favorites) || !ProfileFolderIsThere()) return kInvalidHandle;
    if (create) {
      const int made = CreateFolderTree(favorites);
      if (made != 0 && made != kErrorAlreadyExists) return kInvalidHandle;
    }
    // Without a Favorites folder there is nothing to keep apart yet; a handle that
    // locks nothing keeps callers simple.
    std::u16string key;
    if (PathAttributes(favorites, nullptr) == kFileAttributeDirectory && !ResolvedPath(favorites, &key)) {
      return kInvalidHandle;
    }
    ProfileLocks::Result result = ProfileLocks::Result::kFailed;
    const ProfileLock lock = m_profileLocks.Lock(key, std::chrono::milliseconds(waitMilliseconds), &result);
    if (result == ProfileLocks::Result::kBusy) {
      SetLastErrorText("the profile " + ToUtf8(m_strProfileFolder) + " is in use by another Quorvel job");
    }
    return lock;
  }
  bool UnlockProfile(ProfileLock lock) override { return m_profileLocks.Unlock(lock); }
  bool CanWriteProfile() override {
    std::u16string favorites;
    if (!FavoritesPath(&favorites) || !ProfileFolderIsThere()) return false;
    if (!FolderTakesFiles(favorites)) {
      SetLastErrorText("the Favorites folder " + ToUtf8(favorites) + " cannot be written: " + LastErrorTextOfThread());
      return false;
    }
    return m_registry.CanWrite();
  }

  RegResult RegOpenKeyExW(RegKey root, std::u16string_view subkey, std::uint32_t access, RegKey* opened) override {
    return m_registry.OpenKey(root, subkey, access, opened);
  }
  RegResult RegEnumKeyExW(RegKey key, std::uint32_t index, std::uint32_t nameCapacity,
                          std::u16string* name) override {
    return m_registry.EnumKey(key, index, nameCapacity, name);
  }
  RegResult RegEnumValueW(RegKey key, std::uint32_t index, std::uint32_t nameCapacity,
                          std::u16string* name) override {
    return m_registry.EnumValue(key, index, nameCapacity, name);
  }
  RegResult RegQueryValueExW(RegKey key, std::u16string_view valueName, std::uint32_t* type, std::uint8_t* data,
                             std::uint32_t* size) override {
    return m_registry.QueryValue(key, valueName, type, data, size);
  }
  RegResult RegCloseKey(RegKey key) override { return m_registry.CloseKey(key); }
  std::unique_ptr<RegistryWrites> RegBeginWrites(RegKey root, Status* refused) override {
    if (!m_registry.IsRoot(root)) {
      *refused = Status::Error("the registry root " + std::to_string(root) + " is not one of this system's");
      return nullptr;
    }
    return std::make_unique<LiveRegistryWrites>(m_registry, root);
  }

  WindowHandle RegisterWindow(MessageSink sink) override { return m_windows.Register(std::move(sink)); }
  void UnregisterWindow(WindowHandle window) override { m_windows.Unregister(window); }
  bool PostMessageW(WindowHandle window, std::uint32_t message, std::uint64_t wParam,
                    std::int64_t lParam) override {
    return m_windows.Post(window, message, wParam, lParam);
  }

  std::string LastErrorText() override { return LastErrorTextOfThread(); }

  // A native path on Windows is the Windows path itself, in UTF-8.
  std::u16string ToWindowsPath(std::string_view nativePath) override {
    if (nativePath.empty()) {
      SetLastErrorText("an empty path has no Windows form");
      return {};
    }
    std::u16string full;
    return FullPath(FromUtf8(nativePath), &full) ? full : std::u16string();
  }
  std::string ToNativePath(std::u16string_view windowsPath) override { return ToUtf8(windowsPath); }
  bool StandardErrorIsTerminal() override {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
  }
  std::size_t StandardErrorColumns() override {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info)) return 0;
    const int columns = info.srWindow.Right - info.srWindow.Left + 1;
    return columns > 0 ? static_cast<std::size_t>(columns) : 0;
  }
  bool ReadFirstLine(std::u16string_view path, std::size_t maxBytes, std::string* line) override {
    return ReadFirstLineOf(path, maxBytes, line);
  }

 private:
  // Where the Favorites folder is, whether or not it exists.
  bool FavoritesPath(std::u16string* path) {
    if (m_bOwnProfile) return ShellFolder(CSIDL_FAVORITES, CSIDL_FLAG_DONT_VERIFY, path);
    if (m_strProfileFolder.empty()) {
      SetLastErrorText("the profile folder is unknown");
      return false;
    }
    *path = m_strProfileFolder + u"\\" + kFavoritesFolder;
    return true;
  }

  // Favorites may be made inside the profile, never the profile itself: a profile
  // folder that is not there must not turn into a new, empty one.
  bool ProfileFolderIsThere() {
    if (m_bOwnProfile) return true;  // the shell's own, made with the user
    int error = 0;
    const std::uint32_t attributes = PathAttributes(m_strProfileFolder, &error);
    if (attributes == kFileAttributeDirectory) return true;
    if (attributes != kInvalidFileAttributes) {
      SetLastErrorText("the profile folder " + ToUtf8(m_strProfileFolder) + " is not a folder");
    } else if (error == kErrorFileNotFound || error == kErrorPathNotFound) {
      SetLastErrorText("the profile folder " + ToUtf8(m_strProfileFolder) + " does not exist");
    } else {
      SetLastErrorText("cannot look at the profile folder " + ToUtf8(m_strProfileFolder) + ": " +
                       WindowsErrorText(static_cast<unsigned long>(error)));
    }
    return false;
  }

  const bool m_bOwnProfile;
  const std::u16string m_strProfileFolder;
  const std::u16string m_strTempFolder;
  const ProfileVariables m_profileVariables;
  LiveRegistry m_registry;
  FileTable m_files;
  FolderListings m_listings;
  WindowRegistry m_windows;
  ProfileLocks m_profileLocks;
};

}  // namespace

std::unique_ptr<Platform> MakeWin32Platform(const Win32PlatformOptions& options) {
  return std::make_unique<Win32Platform>(options);
}

void InstallWin32PlatformForProcess(const Win32PlatformOptions& options) {
  // Lives until the process ends: the engine and the front end reach it through Os().
  static std::unique_ptr<Platform> platform;
  static std::unique_ptr<ScopedPlatform> installed;
  installed.reset();
  platform = MakeWin32Platform(options);
  installed = std::make_unique<ScopedPlatform>(*platform);
}

std::string UserProfileFolder() { return ToUtf8(ProfileFolderOf({})); }

std::string AbsolutePathText(const std::string& path) {
  std::u16string full;
  return FullPath(FromUtf8(path), &full) ? ToUtf8(full) : path;
}

}  // namespace qv
