// The Platform of Linux: files, listings and shell folders on the native file
// system in Windows form, the registry in hive files, windows as message sinks.
#include "platform/linux/linux_platform.h"

#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/shared/last_error.h"
#include "platform/linux/os_error.h"
#include "platform/linux/files/file_system_ops.h"
#include "platform/linux/files/file_table.h"
#include "platform/linux/files/first_line.h"
#include "platform/linux/files/folder_listing.h"
#include "platform/linux/files/folder_lock.h"
#include "platform/linux/files/temp_files.h"
#include "platform/linux/paths/absolute_path.h"
#include "platform/linux/paths/link_resolution.h"
#include "platform/linux/paths/path_mapping.h"
#include "platform/shared/profile_variables.h"
#include "platform/linux/registry/commit/hive_temp_file.h"
#include "platform/linux/registry/hive_registry.h"
#include "platform/linux/registry/hive_registry_writes.h"
#include "platform/shared/skipped_entries.h"
#include "platform/text/text.h"
#include "platform/shared/window_messages.h"

namespace qv {
namespace {

constexpr char kFavoritesFolder[] = "Favorites";
constexpr char kHiveFile[] = "NTUSER.DAT";
constexpr int kErrorBadPathname = 161;

std::u16string WindowsFormOrEmpty(const std::string& nativePath) {
  std::u16string windows;
  return NativeToWindowsPath(nativePath, &windows) ? windows : std::u16string();
}

bool IsAllWildcard(std::u16string_view pattern) { return pattern == u"*" || pattern == u"*.*"; }

class LinuxPlatform final : public Platform {
 public:
  explicit LinuxPlatform(const LinuxPlatformOptions& options)
      : m_strProfileDir(MakeAbsoluteNativePath(options.strProfileDir)),
        m_profileVariables(WindowsFormOrEmpty(m_strProfileDir)),
        m_registry(m_strProfileDir + "/" + kHiveFile, options.strClassesHive) {
    if (options.nPendingLimitBytes != 0) m_registry.SetPendingLimit(options.nPendingLimitBytes);
  }

  FileHandle CreateFileW(std::u16string_view path, std::uint32_t access, std::uint32_t shareMode,
                         std::uint32_t disposition) override {
    std::string native;
    if (!WindowsToNativePath(path, &native)) return kInvalidHandle;
    return m_files.Open(native, access, shareMode, disposition);
  }
  bool ReadFile(FileHandle file, void* buffer, std::uint32_t bytesToRead,
                std::uint32_t* bytesRead) override {
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
  bool GetFileSize(FileHandle file, std::uint64_t* size) override {
    return m_files.Size(file, size);
  }
  bool FlushFileBuffers(FileHandle file) override { return m_files.Flush(file); }
  bool CloseHandle(FileHandle file) override { return m_files.Close(file); }

  bool DeleteFileW(std::u16string_view path) override {
    m_files.ForgetCreated();  // what it kept may be the file that goes
    std::string native;
    return WindowsToNativePath(path, &native) && DeleteNativeFile(native);
  }
  bool PathFileExistsW(std::u16string_view path) override {
    std::string native;
    return WindowsToNativePath(path, &native) && NativePathExists(native);
  }
  bool GetTempFileNameW(std::u16string_view folder, std::u16string* tempPath, bool ownerOnly) override {
    std::string nativeFolder;
    std::string nativeTemp;
    UniqueFd created;
    if (!WindowsToNativePath(folder, &nativeFolder) ||
        !CreateTempFileIn(nativeFolder, ownerOnly ? TempFileMode::kOwnerOnly : TempFileMode::kPlainCreate,
                          &nativeTemp, &created)) {
      return false;
    }
    if (NativeToWindowsPath(nativeTemp, tempPath)) {
      // The caller opens it next, to write it.
      m_files.KeepCreated(std::move(nativeTemp), std::move(created));
      return true;
    }
    // Unreachable for a folder that mapped from Windows form, but never leave a
    // file behind that nobody can name.
    (void)DeleteNativeFile(nativeTemp);
    return false;
  }
  std::uint32_t GetFileAttributesW(std::u16string_view path, int* error) override {
    std::string native;
    if (!WindowsToNativePath(path, &native)) {
      if (error) *error = kErrorBadPathname;
      return kInvalidFileAttributes;
    }
    return NativeFileAttributes(native, error);
  }
  std::vector<std::string> ReplaceFilesDurably(const std::vector<FileReplacement>& batch,
                                               const RenameTurn& turn) override {
    m_files.ForgetCreated();
    std::vector<std::string> problems(batch.size());
    std::vector<std::pair<std::string, std::string>> native;
    std::vector<std::size_t> positions;
    for (std::size_t i = 0; i < batch.size(); ++i) {
      std::string temp;
      std::string target;
      if (!WindowsToNativePath(batch[i].strTempPath, &temp) ||
          !WindowsToNativePath(batch[i].strTargetPath, &target)) {
        problems[i] = LastErrorTextOfThread();
        continue;
      }
      native.emplace_back(std::move(temp), std::move(target));
      positions.push_back(i);
    }
    const std::vector<std::string> done = qv::ReplaceFilesDurably(native, turn);
    for (std::size_t i = 0; i < done.size(); ++i) problems[positions[i]] = done[i];
    return problems;
  }
  std::uint64_t RemoveStaleTempFiles(std::u16string_view folder, bool withSubfolders) override {
    std::string native;
    return WindowsToNativePath(folder, &native) ? qv::RemoveStaleTempFiles(native, withSubfolders) : 0;
  }
  ProfileLock LockProfile(std::uint32_t waitMilliseconds, bool create) override {
    if (!ProfileFolderIsThere()) return kInvalidHandle;
    const std::string favorites = m_strProfileDir + "/" + kFavoritesFolder;
    if (create) {
      const int result = CreateFolderTree(favorites);
      if (result != 0 && result != kErrorAlreadyExists) return kInvalidHandle;
    }
    FolderLock::Result result = FolderLock::Result::kFailed;
    // Without a Favorites folder there is nothing to keep apart yet; a handle that
    // locks nothing keeps callers simple.
    const ProfileLock lock = m_profileLocks.Lock(NativePathExists(favorites) ? favorites : "",
                                                 std::chrono::milliseconds(waitMilliseconds), &result);
    if (result == FolderLock::Result::kBusy) {
      SetLastErrorText("the profile " + m_strProfileDir + " is in use by another Quorvel job");
    }
    return lock;
  }
  bool UnlockProfile(ProfileLock lock) override { return m_profileLocks.Unlock(lock); }
  bool CanWriteProfile() override {
    if (!ProfileFolderIsThere()) return false;
    const std::string favorites = m_strProfileDir + "/" + kFavoritesFolder;
    if (!NativeFolderTakesFiles(favorites)) {
      SetLastErrorText("the Favorites folder " + favorites + " cannot be written: " + LastErrorTextOfThread());
      return false;
    }
    // The hive is replaced by a new file, as its commit does.
    if (const Status hive = CheckCanReplace(m_strProfileDir + "/" + kHiveFile); !hive.ok()) {
      SetLastErrorText(hive.message());
      return false;
    }
    return true;
  }
  bool CanWriteFolder(std::u16string_view folder) override {
    std::string native;
    return WindowsToNativePath(folder, &native) && NativeFolderTakesFiles(native);
  }
  bool CanHoldName(std::u16string_view name) override { return NativeNameFits(ToUtf8(name)); }
  bool MoveFileExW(std::u16string_view from, std::u16string_view to) override {
    m_files.ForgetCreated();
    std::string nativeFrom;
    std::string nativeTo;
    return WindowsToNativePath(from, &nativeFrom) && WindowsToNativePath(to, &nativeTo) &&
           ReplaceFileDurably(nativeFrom, nativeTo);
  }
  bool GetWriteTarget(std::u16string_view path, WriteTarget* target) override {
    std::string native;
    NativeWriteTarget found;
    if (!WindowsToNativePath(path, &native) || !LookAtWriteTarget(native, &found)) return false;
    std::u16string windows;
    if (!NativeToWindowsPath(found.strPath, &windows)) {
      SetLastErrorText(native + " leads to " + found.strPath + ", which has no Windows form");
      return false;
    }
    target->kind = found.kind;
    target->bStandardOutput = found.bStandardOutput;
    target->strPath = std::move(windows);
    return true;
  }

  FindHandle FindFirstFileW(std::u16string_view searchPath, FindData* found) override {
    const std::size_t separator = searchPath.find_last_of(u"\\/");
    if (separator == std::u16string_view::npos ||
        !IsAllWildcard(searchPath.substr(separator + 1))) {
      SetLastErrorText("cannot list " + ToUtf8(searchPath) +
                       ": only the patterns \"*\" and \"*.*\" are supported");
      return kInvalidHandle;
    }
    const std::u16string folder(searchPath.substr(0, separator + 1));
    std::string nativeFolder;
    if (!WindowsToNativePath(folder, &nativeFolder)) return kInvalidHandle;
    return m_listings.First(folder, nativeFolder, found);
  }
  bool FindNextFileW(FindHandle find, FindData* found) override {
    return m_listings.Next(find, found);
  }
  bool FindClose(FindHandle find) override { return m_listings.Close(find); }
  std::vector<SkippedEntry> TakeSkippedEntries() override { return TakeSkippedEntriesOfThread(); }

  bool SHGetSpecialFolderPathW(int csidl, bool create, std::u16string* path) override {
    if (csidl != kCsidlFavorites) {
      SetLastErrorText("special folder " + std::to_string(csidl) + " is not supported");
      return false;
    }
    if (m_profileVariables.UserProfile().empty()) {
      SetLastErrorText("the profile folder " + m_strProfileDir + " has no Windows form");
      return false;
    }
    const std::u16string favorites = m_profileVariables.UserProfile() + u"\\" +
                                     FromUtf8(kFavoritesFolder);
    if (favorites.size() > kMaxPathUnits) {
      SetLastErrorText("the Favorites folder's path is longer than " +
                       std::to_string(kMaxPathUnits) + " units");
      return false;
    }
    const std::string native = m_strProfileDir + "/" + kFavoritesFolder;
    if (create) {
      if (!ProfileFolderIsThere()) return false;
      const int result = CreateFolderTree(native);
      if (result != 0 && result != kErrorAlreadyExists) return false;
    } else if (!NativePathExists(native)) {
      return false;
    }
    *path = favorites;
    return true;
  }
  int SHCreateDirectoryExW(std::u16string_view path) override {
    std::string native;
    if (!WindowsToNativePath(path, &native)) return kErrorBadPathname;
    return CreateFolderTree(native);
  }
  bool PathUnExpandEnvStringsW(std::u16string_view path, std::u16string* out) override {
    return m_profileVariables.UnExpand(path, out);
  }
  std::u16string ExpandEnvironmentStringsW(std::u16string_view text) override {
    return m_profileVariables.Expand(text);
  }
  std::u16string GetModuleFileNameW() override {
    std::string executable(4096, '\0');
    const ssize_t length = readlink("/proc/self/exe", executable.data(), executable.size());
    if (length < 0 || static_cast<std::size_t>(length) >= executable.size()) {
      SetLastErrorFromErrno("cannot read", "/proc/self/exe", length < 0 ? errno : ENAMETOOLONG);
      return {};
    }
    executable.resize(static_cast<std::size_t>(length));
    return WindowsFormOrEmpty(executable);
  }
  bool IsPathWithin(std::u16string_view path, std::u16string_view folder,
                    bool* unresolved) override {
    if (unresolved) *unresolved = false;
    std::string nativePath;
    std::string nativeFolder;
    if (!WindowsToNativePath(path, &nativePath) || !WindowsToNativePath(folder, &nativeFolder)) {
      if (unresolved) *unresolved = true;
      return false;
    }
    return IsNativePathWithin(nativePath, nativeFolder, unresolved);
  }

  RegResult RegOpenKeyExW(RegKey root, std::u16string_view subkey, std::uint32_t access,
                          RegKey* opened) override {
    return m_registry.RegOpenKeyExW(root, subkey, access, opened);
  }
  RegResult RegEnumKeyExW(RegKey key, std::uint32_t index, std::uint32_t nameCapacity,
                          std::u16string* name) override {
    return m_registry.RegEnumKeyExW(key, index, nameCapacity, name);
  }
  RegResult RegEnumValueW(RegKey key, std::uint32_t index, std::uint32_t nameCapacity,
                          std::u16string* name) override {
    return m_registry.RegEnumValueW(key, index, nameCapacity, name);
  }
  RegResult RegQueryValueExW(RegKey key, std::u16string_view valueName, std::uint32_t* type,
                             std::uint8_t* data, std::uint32_t* size) override {
    return m_registry.RegQueryValueExW(key, valueName, type, data, size);
  }
  RegResult RegCloseKey(RegKey key) override { return m_registry.RegCloseKey(key); }
  std::unique_ptr<RegistryWrites> RegBeginWrites(RegKey root, Status* refused) override {
    // Writes wait for the commit, so a hive that cannot take them is refused now,
    // not at the commit, when the caller believes them taken.
    if (Status writable = m_registry.RegCheckWritable(root); !writable.ok()) {
      *refused = std::move(writable);
      return nullptr;
    }
    return std::make_unique<HiveRegistryWrites>(m_registry, root);
  }

  WindowHandle RegisterWindow(MessageSink sink) override {
    return m_windows.Register(std::move(sink));
  }
  void UnregisterWindow(WindowHandle window) override { m_windows.Unregister(window); }
  bool PostMessageW(WindowHandle window, std::uint32_t message, std::uint64_t wParam,
                    std::int64_t lParam) override {
    return m_windows.Post(window, message, wParam, lParam);
  }

  std::string LastErrorText() override { return LastErrorTextOfThread(); }

  std::u16string ToWindowsPath(std::string_view nativePath) override {
    if (nativePath.empty()) {
      SetLastErrorText("an empty path has no Windows form");
      return {};
    }
    return WindowsFormOrEmpty(MakeAbsoluteNativePath(std::string(nativePath)));
  }
  std::string ToNativePath(std::u16string_view windowsPath) override {
    std::string native;
    return WindowsToNativePath(windowsPath, &native) ? native : std::string();
  }
  bool StandardErrorIsTerminal() override { return isatty(STDERR_FILENO) == 1; }
  bool ReadFirstLine(std::u16string_view path, std::size_t maxBytes, std::string* line) override {
    std::string native;
    if (!path.empty() && !WindowsToNativePath(path, &native)) return false;
    return ReadFirstLineOf(native, maxBytes, line);
  }

 private:
  // Favorites may be made inside the profile, never the profile itself: a profile
  // that is not there (mistyped, or on a disk not mounted) must not turn into a
  // new, empty one.
  bool ProfileFolderIsThere() {
    const std::string problem = ProfileFolderProblem(m_strProfileDir);
    if (!problem.empty()) SetLastErrorText(problem);
    return problem.empty();
  }

  const std::string m_strProfileDir;
  const ProfileVariables m_profileVariables;
  HiveRegistry m_registry;
  FileTable m_files;
  FolderListings m_listings;
  WindowRegistry m_windows;
  FolderLockTable m_profileLocks;
};

}  // namespace

std::unique_ptr<Platform> MakeLinuxPlatform(const LinuxPlatformOptions& options) {
  return std::make_unique<LinuxPlatform>(options);
}

void InstallLinuxPlatformForProcess(const std::string& profileOption) {
  // Lives until the process ends: the engine and the front end reach it through Os().
  static std::unique_ptr<Platform> platform;
  static std::unique_ptr<ScopedPlatform> installed;
  LinuxPlatformOptions options;
  options.strProfileDir = ResolveProfileDir(profileOption);
  options.strClassesHive = DefaultClassesHive();
  installed.reset();
  platform = MakeLinuxPlatform(options);
  installed = std::make_unique<ScopedPlatform>(*platform);
}

}  // namespace qv
