// A Platform that forwards to another and fails chosen operations on request, for
// tests of what the engine does when the disk fills, a rename fails or a file
// cannot be opened. Injected failures behave like real ones: the result says so and
// LastErrorText() starts with "injected fault".
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "platform/platform.h"

namespace qv {

class FaultInjectingPlatform final : public Platform {
 public:
  explicit FaultInjectingPlatform(Platform& inner) : m_inner(inner) {}

  // The Nth WriteFile from now (1 = the next) fails without writing.
  void FailNthWrite(std::uint64_t n);
  // WriteFile moves `budget` more bytes, then fails; the write that crosses the
  // budget writes its first part, as on a disk that fills up.
  void FailWritesAfterBytes(std::uint64_t budget);
  // ReadFile likewise, as on a medium that goes bad part way.
  void FailReadsAfterBytes(std::uint64_t budget);
  // CreateFileW fails for every path that contains `fragment` (case sensitive).
  void FailCreateFileContaining(std::u16string fragment);
  void FailMoveFile(bool fail);
  void FailFlush(bool fail);
  // Back to forwarding everything.
  void Reset();

  FileHandle CreateFileW(std::u16string_view path, std::uint32_t access, std::uint32_t shareMode,
                         std::uint32_t disposition) override;
  bool ReadFile(FileHandle file, void* buffer, std::uint32_t bytesToRead,
                std::uint32_t* bytesRead) override;
  bool WriteFile(FileHandle file, const void* buffer, std::uint32_t bytesToWrite,
                 std::uint32_t* bytesWritten) override;
  bool SetFilePointer(FileHandle file, std::int64_t distance, std::uint32_t origin,
                      std::uint64_t* newPosition) override {
    return m_inner.SetFilePointer(file, distance, origin, newPosition);
  }
  bool GetFileSize(FileHandle file, std::uint64_t* size) override {
    return m_inner.GetFileSize(file, size);
  }
  bool FlushFileBuffers(FileHandle file) override;
  bool CloseHandle(FileHandle file) override { return m_inner.CloseHandle(file); }
  bool DeleteFileW(std::u16string_view path) override { return m_inner.DeleteFileW(path); }
  bool PathFileExistsW(std::u16string_view path) override {
    return m_inner.PathFileExistsW(path);
  }
  bool GetTempFileNameW(std::u16string_view folder, std::u16string* tempPath) override {
    return m_inner.GetTempFileNameW(folder, tempPath);
  }
  bool MoveFileExW(std::u16string_view from, std::u16string_view to) override;

  FindHandle FindFirstFileW(std::u16string_view searchPath, FindData* found) override {
    return m_inner.FindFirstFileW(searchPath, found);
  }
  bool FindNextFileW(FindHandle find, FindData* found) override {
    return m_inner.FindNextFileW(find, found);
  }
  bool FindClose(FindHandle find) override { return m_inner.FindClose(find); }
  std::vector<SkippedEntry> TakeSkippedEntries() override { return m_inner.TakeSkippedEntries(); }

  bool SHGetSpecialFolderPathW(int csidl, bool create, std::u16string* path) override {
    return m_inner.SHGetSpecialFolderPathW(csidl, create, path);
  }
  int SHCreateDirectoryExW(std::u16string_view path) override {
    return m_inner.SHCreateDirectoryExW(path);
  }
  bool PathUnExpandEnvStringsW(std::u16string_view path, std::u16string* out) override {
    return m_inner.PathUnExpandEnvStringsW(path, out);
  }
  std::u16string ExpandEnvironmentStringsW(std::u16string_view text) override {
    return m_inner.ExpandEnvironmentStringsW(text);
  }
  std::u16string GetModuleFileNameW() override { return m_inner.GetModuleFileNameW(); }
  bool IsPathWithin(std::u16string_view path, std::u16string_view folder) override {
    return m_inner.IsPathWithin(path, folder);
  }

  RegResult RegOpenKeyExW(RegKey root, std::u16string_view subkey, std::uint32_t access,
                          RegKey* opened) override {
    return m_inner.RegOpenKeyExW(root, subkey, access, opened);
  }
  RegResult RegEnumKeyExW(RegKey key, std::uint32_t index, std::uint32_t nameCapacity,
                          std::u16string* name) override {
    return m_inner.RegEnumKeyExW(key, index, nameCapacity, name);
  }
  RegResult RegEnumValueW(RegKey key, std::uint32_t index, std::uint32_t nameCapacity,
                          std::u16string* name) override {
    return m_inner.RegEnumValueW(key, index, nameCapacity, name);
  }
  RegResult RegQueryValueExW(RegKey key, std::u16string_view valueName, std::uint32_t* type,
                             std::uint8_t* data, std::uint32_t* size) override {
    return m_inner.RegQueryValueExW(key, valueName, type, data, size);
  }
  RegResult RegCreateKeyExW(RegKey root, std::u16string_view subkey, std::uint32_t access,
                            RegKey* opened) override {
    return m_inner.RegCreateKeyExW(root, subkey, access, opened);
  }
  RegResult RegSetValueExW(RegKey key, std::u16string_view valueName, std::uint32_t type,
                           const std::uint8_t* data, std::uint32_t size) override {
    return m_inner.RegSetValueExW(key, valueName, type, data, size);
  }
  RegResult RegCloseKey(RegKey key) override { return m_inner.RegCloseKey(key); }
  Status RegCheckWritable(RegKey root) override { return m_inner.RegCheckWritable(root); }
  Status RegCommit(RegKey root) override { return m_inner.RegCommit(root); }

  WindowHandle RegisterWindow(MessageSink sink) override {
    return m_inner.RegisterWindow(std::move(sink));
  }
  void UnregisterWindow(WindowHandle window) override { m_inner.UnregisterWindow(window); }
  bool PostMessageW(WindowHandle window, std::uint32_t message, std::uint64_t wParam,
                    std::int64_t lParam) override {
    return m_inner.PostMessageW(window, message, wParam, lParam);
  }

  std::string LastErrorText() override { return m_inner.LastErrorText(); }
  std::u16string ToWindowsPath(std::string_view nativePath) override {
    return m_inner.ToWindowsPath(nativePath);
  }
  std::string ToNativePath(std::u16string_view windowsPath) override {
    return m_inner.ToNativePath(windowsPath);
  }
  bool StandardErrorIsTerminal() override { return m_inner.StandardErrorIsTerminal(); }

 private:
  void Refund(std::optional<std::uint64_t>& budget, std::uint32_t unused);

  Platform& m_inner;
  std::mutex m_mutex;
  std::uint64_t m_nWritesUntilFailure = 0;  // 0: no such fault
  std::optional<std::uint64_t> m_nWriteBudget;
  std::optional<std::uint64_t> m_nReadBudget;
  std::u16string m_strFailingPathFragment;
  bool m_bFailMove = false;
  bool m_bFailFlush = false;
};

}  // namespace qv
