// Forwards to another platform, but holds the Nth WriteFile from now until the test
// opens the gate: a way to catch a job in the middle without racing it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "platform/platform.h"

namespace qv::app::test {

class GatedPlatform final : public Platform {
 public:
  explicit GatedPlatform(Platform& inner) : m_inner(inner) {}

  void HoldNthWrite(std::uint64_t n);
  // Blocks until a write is held.
  void WaitUntilHeld();
  void Open();

  bool WriteFile(FileHandle file, const void* buffer, std::uint32_t bytesToWrite,
                 std::uint32_t* bytesWritten) override;

  // Everything else goes straight through.
  FileHandle CreateFileW(std::u16string_view path, std::uint32_t access, std::uint32_t shareMode,
                         std::uint32_t disposition) override {
    return m_inner.CreateFileW(path, access, shareMode, disposition);
  }
  bool ReadFile(FileHandle f, void* b, std::uint32_t n, std::uint32_t* r) override { return m_inner.ReadFile(f, b, n, r); }
  bool SetFilePointer(FileHandle f, std::int64_t d, std::uint32_t o, std::uint64_t* p) override {
    return m_inner.SetFilePointer(f, d, o, p);
  }
  bool GetFileSize(FileHandle f, std::uint64_t* s) override { return m_inner.GetFileSize(f, s); }
  bool FlushFileBuffers(FileHandle f) override { return m_inner.FlushFileBuffers(f); }
  bool CloseHandle(FileHandle f) override { return m_inner.CloseHandle(f); }
  bool DeleteFileW(std::u16string_view p) override { return m_inner.DeleteFileW(p); }
  bool PathFileExistsW(std::u16string_view p) override { return m_inner.PathFileExistsW(p); }
  bool GetTempFileNameW(std::u16string_view f, std::u16string* t) override { return m_inner.GetTempFileNameW(f, t); }
  bool MoveFileExW(std::u16string_view f, std::u16string_view t) override { return m_inner.MoveFileExW(f, t); }
  FindHandle FindFirstFileW(std::u16string_view s, FindData* d) override { return m_inner.FindFirstFileW(s, d); }
  bool FindNextFileW(FindHandle h, FindData* d) override { return m_inner.FindNextFileW(h, d); }
  bool FindClose(FindHandle h) override { return m_inner.FindClose(h); }
  std::vector<SkippedEntry> TakeSkippedEntries() override { return m_inner.TakeSkippedEntries(); }
  bool SHGetSpecialFolderPathW(int c, bool m, std::u16string* p) override { return m_inner.SHGetSpecialFolderPathW(c, m, p); }
  int SHCreateDirectoryExW(std::u16string_view p) override { return m_inner.SHCreateDirectoryExW(p); }
  bool PathUnExpandEnvStringsW(std::u16string_view p, std::u16string* o) override { return m_inner.PathUnExpandEnvStringsW(p, o); }
  std::u16string ExpandEnvironmentStringsW(std::u16string_view t) override { return m_inner.ExpandEnvironmentStringsW(t); }
  std::u16string GetModuleFileNameW() override { return m_inner.GetModuleFileNameW(); }
  bool IsPathWithin(std::u16string_view p, std::u16string_view f) override { return m_inner.IsPathWithin(p, f); }
  RegResult RegOpenKeyExW(RegKey r, std::u16string_view s, std::uint32_t a, RegKey* k) override {
    return m_inner.RegOpenKeyExW(r, s, a, k);
  }
  RegResult RegEnumKeyExW(RegKey k, std::uint32_t i, std::uint32_t c, std::u16string* n) override {
    return m_inner.RegEnumKeyExW(k, i, c, n);
  }
  RegResult RegEnumValueW(RegKey k, std::uint32_t i, std::uint32_t c, std::u16string* n) override {
    return m_inner.RegEnumValueW(k, i, c, n);
  }
  RegResult RegQueryValueExW(RegKey k, std::u16string_view n, std::uint32_t* t, std::uint8_t* d, std::uint32_t* s) override {
    return m_inner.RegQueryValueExW(k, n, t, d, s);
  }
  RegResult RegCreateKeyExW(RegKey r, std::u16string_view s, std::uint32_t a, RegKey* k) override {
    return m_inner.RegCreateKeyExW(r, s, a, k);
  }
  RegResult RegSetValueExW(RegKey k, std::u16string_view n, std::uint32_t t, const std::uint8_t* d, std::uint32_t s) override {
    return m_inner.RegSetValueExW(k, n, t, d, s);
  }
  RegResult RegCloseKey(RegKey k) override { return m_inner.RegCloseKey(k); }
  Status RegCheckWritable(RegKey r) override { return m_inner.RegCheckWritable(r); }
  Status RegCommit(RegKey r) override { return m_inner.RegCommit(r); }
  WindowHandle RegisterWindow(MessageSink s) override { return m_inner.RegisterWindow(std::move(s)); }
  void UnregisterWindow(WindowHandle w) override { m_inner.UnregisterWindow(w); }
  bool PostMessageW(WindowHandle w, std::uint32_t m, std::uint64_t wp, std::int64_t lp) override {
    return m_inner.PostMessageW(w, m, wp, lp);
  }
  std::string LastErrorText() override { return m_inner.LastErrorText(); }
  std::u16string ToWindowsPath(std::string_view p) override { return m_inner.ToWindowsPath(p); }
  std::string ToNativePath(std::u16string_view p) override { return m_inner.ToNativePath(p); }
  bool StandardErrorIsTerminal() override { return m_inner.StandardErrorIsTerminal(); }

 private:
  Platform& m_inner;
  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::uint64_t m_nWritesUntilHold = 0;  // 0: hold nothing
  bool m_bHeld = false;
  bool m_bOpen = false;
};

}  // namespace qv::app::test
