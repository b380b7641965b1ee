// A Platform that forwards every operation to another one. Derive from it to
// change a few operations and keep the rest, as the tests' fault injector does.
#pragma once

#include <utility>

#include "platform/platform.h"

namespace qv {

class PlatformWrapper : public Platform {
 public:
  explicit PlatformWrapper(Platform& target) : m_target(target) {}

  Platform& Target() const { return m_target; }

  FileHandle CreateFileW(std::u16string_view path, std::uint32_t access, std::uint32_t shareMode,
                         std::uint32_t disposition) override {
    return m_target.CreateFileW(path, access, shareMode, disposition);
  }
  bool ReadFile(FileHandle file, void* buffer, std::uint32_t bytesToRead,
                std::uint32_t* bytesRead) override {
    return m_target.ReadFile(file, buffer, bytesToRead, bytesRead);
  }
  bool WriteFile(FileHandle file, const void* buffer, std::uint32_t bytesToWrite,
                 std::uint32_t* bytesWritten) override {
    return m_target.WriteFile(file, buffer, bytesToWrite, bytesWritten);
  }
  bool SetFilePointer(FileHandle file, std::int64_t distance, std::uint32_t origin,
                      std::uint64_t* newPosition) override {
    return m_target.SetFilePointer(file, distance, origin, newPosition);
  }
  bool GetFileSize(FileHandle file, std::uint64_t* size) override {
    return m_target.GetFileSize(file, size);
  }
  bool FlushFileBuffers(FileHandle file) override { return m_target.FlushFileBuffers(file); }
  bool CloseHandle(FileHandle file) override { return m_target.CloseHandle(file); }
  bool DeleteFileW(std::u16string_view path) override { return m_target.DeleteFileW(path); }
  bool PathFileExistsW(std::u16string_view path) override { return m_target.PathFileExistsW(path); }
  bool GetTempFileNameW(std::u16string_view folder, std::u16string* tempPath, bool ownerOnly) override {
    return m_target.GetTempFileNameW(folder, tempPath, ownerOnly);
  }
  std::uint32_t GetFileAttributesW(std::u16string_view path, int* error = nullptr) override {
    return m_target.GetFileAttributesW(path, error);
  }
  std::vector<std::string> ReplaceFilesDurably(const std::vector<FileReplacement>& batch,
                                               const RenameTurn& turn) override {
    return m_target.ReplaceFilesDurably(batch, turn);
  }
  std::uint64_t RemoveStaleTempFiles(std::u16string_view folder, bool withSubfolders) override {
    return m_target.RemoveStaleTempFiles(folder, withSubfolders);
  }
  ProfileLock LockProfile(std::uint32_t waitMilliseconds, bool create) override {
    return m_target.LockProfile(waitMilliseconds, create);
  }
  bool UnlockProfile(ProfileLock lock) override { return m_target.UnlockProfile(lock); }
  bool MoveFileExW(std::u16string_view from, std::u16string_view to) override {
    return m_target.MoveFileExW(from, to);
  }
  bool GetWriteTarget(std::u16string_view path, WriteTarget* target) override {
    return m_target.GetWriteTarget(path, target);
  }
  FindHandle FindFirstFileW(std::u16string_view searchPath, FindData* found) override {
    return m_target.FindFirstFileW(searchPath, found);
  }
  bool FindNextFileW(FindHandle find, FindData* found) override {
    return m_target.FindNextFileW(find, found);
  }
  bool FindClose(FindHandle find) override { return m_target.FindClose(find); }
  std::vector<SkippedEntry> TakeSkippedEntries() override { return m_target.TakeSkippedEntries(); }
  bool SHGetSpecialFolderPathW(int csidl, bool create, std::u16string* path) override {
    return m_target.SHGetSpecialFolderPathW(csidl, create, path);
  }
  int SHCreateDirectoryExW(std::u16string_view path) override {
    return m_target.SHCreateDirectoryExW(path);
  }
  bool PathUnExpandEnvStringsW(std::u16string_view path, std::u16string* out) override {
    return m_target.PathUnExpandEnvStringsW(path, out);
  }
  std::u16string ExpandEnvironmentStringsW(std::u16string_view text) override {
    return m_target.ExpandEnvironmentStringsW(text);
  }
  std::u16string GetModuleFileNameW() override { return m_target.GetModuleFileNameW(); }
  bool CanWriteFolder(std::u16string_view folder) override { return m_target.CanWriteFolder(folder); }
  bool CanHoldName(std::u16string_view name) override { return m_target.CanHoldName(name); }
  bool CanWriteProfile() override { return m_target.CanWriteProfile(); }
  bool IsPathWithin(std::u16string_view path, std::u16string_view folder,
                    bool* unresolved = nullptr) override {
    return m_target.IsPathWithin(path, folder, unresolved);
  }
  RegResult RegOpenKeyExW(RegKey root, std::u16string_view subkey, std::uint32_t access,
                          RegKey* opened) override {
    return m_target.RegOpenKeyExW(root, subkey, access, opened);
  }
  RegResult RegEnumKeyExW(RegKey key, std::uint32_t index, std::uint32_t nameCapacity,
                          std::u16string* name) override {
    return m_target.RegEnumKeyExW(key, index, nameCapacity, name);
  }
  RegResult RegEnumValueW(RegKey key, std::uint32_t index, std::uint32_t nameCapacity,
                          std::u16string* name) override {
    return m_target.RegEnumValueW(key, index, nameCapacity, name);
  }
  RegResult RegQueryValueExW(RegKey key, std::u16string_view valueName, std::uint32_t* type,
                             std::uint8_t* data, std::uint32_t* size) override {
    return m_target.RegQueryValueExW(key, valueName, type, data, size);
  }
  RegResult RegCloseKey(RegKey key) override { return m_target.RegCloseKey(key); }
  std::unique_ptr<RegistryWrites> RegBeginWrites(RegKey root, Status* refused) override {
    return m_target.RegBeginWrites(root, refused);
  }
  WindowHandle RegisterWindow(MessageSink sink) override {
    return m_target.RegisterWindow(std::move(sink));
  }
  void UnregisterWindow(WindowHandle window) override { m_target.UnregisterWindow(window); }
  bool PostMessageW(WindowHandle window, std::uint32_t message, std::uint64_t wParam,
                    std::int64_t lParam) override {
    return m_target.PostMessageW(window, message, wParam, lParam);
  }
  std::string LastErrorText() override { return m_target.LastErrorText(); }
  std::u16string ToWindowsPath(std::string_view nativePath) override {
    return m_target.ToWindowsPath(nativePath);
  }
  std::string ToNativePath(std::u16string_view windowsPath) override {
    return m_target.ToNativePath(windowsPath);
  }
  bool StandardErrorIsTerminal() override { return m_target.StandardErrorIsTerminal(); }
  bool ReadFirstLine(std::u16string_view path, std::size_t maxBytes, std::string* line) override {
    return m_target.ReadFirstLine(path, maxBytes, line);
  }

 private:
  Platform& m_target;
};

}  // namespace qv
