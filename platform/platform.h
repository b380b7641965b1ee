// The one door from the engine and the front ends to the operating system.
//
// Every operation keeps the name and the results of the Windows service it stands
// for, because the callers were written against those results. Paths and names are
// in Windows form (UTF-16, backslashes, "Z:\..." for a native absolute path); the
// implementation maps them to native paths and back.
//
// Contract, for every implementation:
// - Thread safety: every operation may be called from any thread at the same time.
//   A handle (file, find or key) is used by one thread at a time.
// - Failure: reported by the result (invalid handle, false, a Windows error code),
//   never by an exception. LastErrorText() then tells why, for the calling thread.
// - Ownership: handles belong to the caller, who closes them.
// - Registry writes are buffered. Reads see them at once; the hive file changes only
//   at RegCommit(), which rewrites it through a temporary file and a rename, so a
//   crash never leaves a half-written hive.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rename_turn.h"
#include "platform/status.h"
#include "platform/win_types.h"

namespace qv {

// An entry that a listing passed over: a folder entry the Windows form cannot hold,
// or a subkey entry of a damaged hive.
struct SkippedEntry {
  std::string strNativePath;
  std::string strReason;
};

using ProfileLock = std::int64_t;  // kInvalidHandle when none

struct FileReplacement {
  std::u16string strTempPath;
  std::u16string strTargetPath;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // ---- Files --------------------------------------------------------------------
  // access: kGenericRead or kGenericWrite. shareMode: kFileShareNone, kFileShareRead,
  // or (for a reader only) kFileShareRead | kFileShareWrite, enforced between openers
  // through advisory locks: an open that writes excludes other writers, share mode
  // none excludes everyone, a reader sharing both excludes nobody. disposition:
  // kOpenExisting, kOpenAlways (creates a missing file empty) or kCreateAlways
  // (creates or truncates). Returns kInvalidHandle on failure.
  [[nodiscard]] virtual FileHandle CreateFileW(std::u16string_view path, std::uint32_t access,
                                 std::uint32_t shareMode, std::uint32_t disposition) = 0;
  // A read at the end of the file succeeds with *bytesRead == 0.
  [[nodiscard]] virtual bool ReadFile(FileHandle file, void* buffer, std::uint32_t bytesToRead,
                        std::uint32_t* bytesRead) = 0;
  [[nodiscard]] virtual bool WriteFile(FileHandle file, const void* buffer, std::uint32_t bytesToWrite,
                         std::uint32_t* bytesWritten) = 0;
  // origin: kFileBegin, kFileCurrent or kFileEnd. newPosition may be null.
  [[nodiscard]] virtual bool SetFilePointer(FileHandle file, std::int64_t distance, std::uint32_t origin,
                              std::uint64_t* newPosition) = 0;
  [[nodiscard]] virtual bool GetFileSize(FileHandle file, std::uint64_t* size) = 0;
  // Forces written data to the disk before a rename makes it visible.
  [[nodiscard]] virtual bool FlushFileBuffers(FileHandle file) = 0;
  [[nodiscard]] virtual bool CloseHandle(FileHandle file) = 0;
  [[nodiscard]] virtual bool DeleteFileW(std::u16string_view path) = 0;
  virtual bool PathFileExistsW(std::u16string_view path) = 0;
  // What the path itself is, without following a final link: kFileAttributeDirectory,
  // kFileAttributeReparsePoint (a link, whatever it points to) or kFileAttributeNormal;
  // kInvalidFileAttributes when there is nothing there or it cannot be looked at, with
  // *error (when given) kErrorFileNotFound for a missing name, else another code.
  [[nodiscard]] virtual std::uint32_t GetFileAttributesW(std::u16string_view path,
                                                         int* error = nullptr) = 0;
  // Creates a new, empty, uniquely named file in `folder` and returns its full path
  // in *tempPath. The name starts with ".quorvel-" and ends with ".tmp".
  [[nodiscard]] virtual bool GetTempFileNameW(std::u16string_view folder, std::u16string* tempPath) = 0;
  // Puts each temporary file in place of its target, as MoveFileExW does, for many
  // files at once and far cheaper: every file's data reaches the disk before any
  // rename, and the renames are durable when this returns. A crash at any point
  // leaves each target as it was or wholly replaced. One text per entry: empty when
  // the target now holds the new content, else why not; a temporary file that was
  // not put in place is deleted. The renames happen within `turn`, which is taken
  // on every path, also when nothing is renamed.
  [[nodiscard]] virtual std::vector<std::string> ReplaceFilesDurably(
      const std::vector<FileReplacement>& batch, const RenameTurn& turn) = 0;
  // Deletes the temporary files of ours (see platform/temp_file_name.h) in `folder`,
  // and with `withSubfolders` below it, that no live process is writing: what a
  // killed job left behind. Returns how many.
  virtual std::uint64_t RemoveStaleTempFiles(std::u16string_view folder, bool withSubfolders) = 0;
  // Atomically renames `from` to `to`, replacing `to` when it exists.
  [[nodiscard]] virtual bool MoveFileExW(std::u16string_view from, std::u16string_view to) = 0;

  // searchPath is a folder, a backslash and a pattern ("*.*" or "*"). Every entry
  // is listed, "." and ".." included, in the order the file system gives. Entries
  // whose name or full path the Windows form cannot hold are left out and recorded
  // for TakeSkippedEntries(). Links to folders are listed as files, so a walk does
  // not descend into them.
  [[nodiscard]] virtual FindHandle FindFirstFileW(std::u16string_view searchPath, FindData* found) = 0;
  [[nodiscard]] virtual bool FindNextFileW(FindHandle find, FindData* found) = 0;
  [[nodiscard]] virtual bool FindClose(FindHandle find) = 0;
  // The entries this thread's folder and registry listings left out since the last
  // call; clears them.
  virtual std::vector<SkippedEntry> TakeSkippedEntries() = 0;

  // ---- Shell --------------------------------------------------------------------
  // kCsidlFavorites: the profile's Favorites folder, created when `create` is set.
  [[nodiscard]] virtual bool SHGetSpecialFolderPathW(int csidl, bool create, std::u16string* path) = 0;
  // Creates the folder and every missing parent. Returns 0, kErrorAlreadyExists, or
  // another Windows error code.
  [[nodiscard]] virtual int SHCreateDirectoryExW(std::u16string_view path) = 0;
  // Writes a leading part equal to the profile folder as "%USERPROFILE%". False (and
  // *out unchanged) when no such part exists.
  [[nodiscard]] virtual bool PathUnExpandEnvStringsW(std::u16string_view path, std::u16string* out) = 0;
  // Replaces each "%NAME%" that names a known variable by its value; unknown ones
  // stay as they are.
  virtual std::u16string ExpandEnvironmentStringsW(std::u16string_view text) = 0;
  virtual std::u16string GetModuleFileNameW() = 0;
  // True when `path`, with ".", ".." and every link of its existing part resolved,
  // is `folder` itself or lies below it (`folder` resolved the same way). When
  // either cannot be resolved at all (no native form, a name too long, a link
  // loop), it is false and *unresolved (when given) is set; LastErrorText says why.
  [[nodiscard]] virtual bool IsPathWithin(std::u16string_view path, std::u16string_view folder,
                                          bool* unresolved = nullptr) = 0;

  // ---- The profile ------------------------------------------------------------------
  // One job at a time per profile: a backup and a restore, or two restores, that
  // overlapped would interleave file by file. Waits up to `waitMilliseconds` for
  // another holder, then fails with kInvalidHandle and a LastErrorText that names
  // the profile. `create`: make the Favorites folder when it is missing (a dry run
  // does not; without that folder there is nothing to keep apart, and the lock
  // succeeds). Locks of separate calls exclude each other, in one process too.
  [[nodiscard]] virtual ProfileLock LockProfile(std::uint32_t waitMilliseconds, bool create) = 0;
  virtual bool UnlockProfile(ProfileLock lock) = 0;

  // ---- Registry -----------------------------------------------------------------
  // Roots: kHkeyCurrentUser (the profile's NTUSER.DAT) and kHkeyClassesRoot (the
  // program's own hive). Key names match without regard to case.
  [[nodiscard]] virtual RegResult RegOpenKeyExW(RegKey root, std::u16string_view subkey, std::uint32_t access,
                                  RegKey* opened) = 0;
  // Index 0, 1, 2, ... until kErrorNoMoreItems. A name that needs more than
  // nameCapacity units (terminator included) gives kErrorMoreData.
  [[nodiscard]] virtual RegResult RegEnumKeyExW(RegKey key, std::uint32_t index, std::uint32_t nameCapacity,
                                  std::u16string* name) = 0;
  // As RegEnumKeyExW, for values; the unnamed value is listed under "" when set.
  [[nodiscard]] virtual RegResult RegEnumValueW(RegKey key, std::uint32_t index, std::uint32_t nameCapacity,
                                  std::u16string* name) = 0;
  // With data null: *size = the data size. With data set: *size is the capacity on
  // entry; too small gives kErrorMoreData and the needed size. type may be null.
  [[nodiscard]] virtual RegResult RegQueryValueExW(RegKey key, std::u16string_view valueName,
                                     std::uint32_t* type, std::uint8_t* data,
                                     std::uint32_t* size) = 0;
  // Opens the key, creating it and every missing parent.
  [[nodiscard]] virtual RegResult RegCreateKeyExW(RegKey root, std::u16string_view subkey, std::uint32_t access,
                                    RegKey* opened) = 0;
  // Replaces or creates the value with exactly this type and these bytes. A value the
  // hive cannot store (see LastErrorText) fails here, before anything is buffered.
  [[nodiscard]] virtual RegResult RegSetValueExW(RegKey key, std::u16string_view valueName, std::uint32_t type,
                                   const std::uint8_t* data, std::uint32_t size) = 0;
  [[nodiscard]] virtual RegResult RegCloseKey(RegKey key) = 0;
  // Whether the hive behind `root` can take writes (it is not dirty, its format is
  // one we write). A missing hive is writable: the first commit creates it.
  virtual Status RegCheckWritable(RegKey root) = 0;
  // Writes the buffered changes of the hive behind `root` to its file: one rewrite,
  // through a temporary file and a rename. Nothing buffered: nothing written.
  virtual Status RegCommit(RegKey root) = 0;

  // ---- Windows and messages -------------------------------------------------------
  using MessageSink = std::function<void(std::uint32_t message, std::uint64_t wParam,
                                         std::int64_t lParam)>;
  // A front end registers each window that receives job messages; the sink runs on
  // the posting thread and must hand the message on to its own thread itself.
  virtual WindowHandle RegisterWindow(MessageSink sink) = 0;
  virtual void UnregisterWindow(WindowHandle window) = 0;
  // Never waits for the receiver. False when the window is not registered.
  [[nodiscard]] virtual bool PostMessageW(WindowHandle window, std::uint32_t message, std::uint64_t wParam,
                            std::int64_t lParam) = 0;

  // ---- Diagnostics ----------------------------------------------------------------
  // Why this thread's last failed operation failed, in plain English.
  virtual std::string LastErrorText() = 0;

  // ---- Native paths (front ends only) ---------------------------------------------
  virtual std::u16string ToWindowsPath(std::string_view nativePath) = 0;
  virtual std::string ToNativePath(std::u16string_view windowsPath) = 0;
  // Whether standard error is a terminal, where progress can be redrawn in place.
  virtual bool StandardErrorIsTerminal() = 0;
};

// The platform the engine calls. Front ends install one at start; tests install
// their own for the length of a scope. Without one installed, a Linux platform on
// the default profile folder is made on first use.
Platform& Os();

// A Windows-form path as messages show it: the native path the user knows, or the
// Windows form where there is none (another drive, a path too long to map).
std::string ShownPath(std::u16string_view windowsPath);

class ScopedPlatform {
 public:
  explicit ScopedPlatform(Platform& platform);
  ~ScopedPlatform();
  ScopedPlatform(const ScopedPlatform&) = delete;
  ScopedPlatform& operator=(const ScopedPlatform&) = delete;

 private:
  Platform* m_pPrevious;
};

}  // namespace qv
