// The one door from the engine and the front ends to the operating system.
//
// Every operation keeps the name and the results of the Windows service it stands
// for, because the callers were written against those results. Paths and names are
// in Windows form (UTF-16, backslashes, a drive letter); an implementation on
// another system maps them to its own paths and back. What every implementation
// promises is written here, and tests/platform/contract/ holds it to that; how a
// platform finds the profile it serves belongs to its own options.
//
// Contract, for every implementation:
// - Thread safety: every operation may be called from any thread at the same time.
//   A handle (file, find or key), and a RegistryWrites, is used by one thread at a
//   time.
// - Failure: reported by the result (invalid handle, false, a Windows error code),
//   never by an exception. LastErrorText() then tells why, for the calling thread.
// - Ownership: handles belong to the caller, who closes them.
// - Registry writes go through a RegistryWrites (RegBeginWrites), whose contract
//   says what a registry kept in a file and a live registry each guarantee.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rename_turn.h"
#include "platform/status.h"
#include "platform/win_types.h"

namespace qv {

// An entry that a listing passed over: a folder entry the Windows form or the
// archive's fixed fields cannot hold, or a subkey entry of a damaged registry.
struct SkippedEntry {
  std::string strNativePath;
  std::string strReason;
};

using ProfileLock = std::int64_t;  // kInvalidHandle when none

struct FileReplacement {
  std::u16string strTempPath;
  std::u16string strTargetPath;
};

// What a path that is about to be written names: see Platform::GetWriteTarget.
enum class WriteTargetKind {
  kNothing,  // nothing is there yet
  kFile,     // a plain file
  kFolder,
  kDevice,   // a device, a pipe, or anything else that takes bytes but is no file
};

struct WriteTarget {
  WriteTargetKind kind = WriteTargetKind::kNothing;
  // It is what this process's standard output writes to (the same file, device
  // or pipe, by whatever name).
  bool bStandardOutput = false;
  std::u16string strPath;  // where the links on the way lead
};

// The registry writes of one job below one root key. One interface for a registry
// kept in a file, which can make them all or nothing, and for a live registry,
// which applies each value as it is set.
//
// Contract:
// - RegCreateKeyExW and RegSetValueExW give the results of the Windows calls of
//   those names; keys are closed with Platform::RegCloseKey. A value the registry
//   cannot store fails at RegSetValueExW (LastErrorText says why), and
//   RegCheckValue tells so beforehand, without writing anything.
// - A registry kept in a file changes nothing in the file before Commit, and at
//   Commit applies every write at once: after a failed Commit, a crash, or no
//   Commit at all (the object destroyed first), the file is as it was.
// - A live registry may apply each value at its RegSetValueExW; what was set stays
//   set without Commit. Commit then makes the writes durable and reports any
//   failure to do so.
// - Commit with nothing written writes nothing and succeeds.
// - A job holds the only RegistryWrites of its root while it writes.
class RegistryWrites {
 public:
  virtual ~RegistryWrites() = default;
  // Opens `subkey` below `key` (this root, or a key opened below it), creating it
  // and every missing parent.
  [[nodiscard]] virtual RegResult RegCreateKeyExW(RegKey key, std::u16string_view subkey,
                                                  std::uint32_t access, RegKey* opened) = 0;
  // Replaces or creates the value with exactly this type and these bytes.
  [[nodiscard]] virtual RegResult RegSetValueExW(RegKey key, std::u16string_view valueName,
                                                 std::uint32_t type, const std::uint8_t* data,
                                                 std::uint32_t size) = 0;
  // What RegCreateKeyExW of `subkey` below `key` (or, where that fails, opening
  // it) and then RegSetValueExW of this value with `size` bytes of data would give
  // now, without doing either: a dry run cannot set a value to learn whether it
  // would be taken, since a live registry applies it at once. kErrorSuccess when
  // both would be taken; otherwise the code of the first that would fail, with
  // LastErrorText saying why and *atKey (when given) whether that is the key. The
  // same rules decide as in those calls: name and size limits, names the registry
  // cannot hold, and any bound on what one job's writes may hold, where a value
  // this accepts counts as if it had been set, so that checking a job's values one
  // by one meets the bounds that setting them would. One RegistryWrites either
  // checks its values or sets them; nothing it checked is written or committed.
  [[nodiscard]] virtual RegResult RegCheckValue(RegKey key, std::u16string_view subkey,
                                                std::u16string_view valueName, std::uint32_t type,
                                                std::uint32_t size, bool* atKey) = 0;
  [[nodiscard]] virtual Status Commit() = 0;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // ---- Files --------------------------------------------------------------------
  // access: kGenericRead or kGenericWrite. shareMode: kFileShareNone, kFileShareRead,
  // or (for a reader only) kFileShareRead | kFileShareWrite, enforced between openers,
  // of this process and others, as Windows enforces them: an open that writes
  // excludes other writers and the readers that share only reading; share mode none
  // excludes everyone, and is excluded by everyone, a reader sharing both included;
  // a reader sharing both excludes nobody else. A refused open's LastErrorText says
  // that the file "is in use". disposition:
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
  // `ownerOnly`: the file (and what it becomes where it replaces nothing) can be
  // read and written by the user who made it and by nobody else, whatever the
  // folder would give a new file; for what a password-protected archive holds.
  // Otherwise it gets the access that any new file in `folder` gets.
  [[nodiscard]] virtual bool GetTempFileNameW(std::u16string_view folder, std::u16string* tempPath,
                                              bool ownerOnly) = 0;
  // Puts each temporary file in place of its target, as MoveFileExW does (the
  // replaced file's access rights included), for many
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
  // Whether files can be created in `folder` now, and renamed over and deleted
  // there: it is a folder, or the nearest existing one on its way, in which
  // SHCreateDirectoryExW would make it, is; and this process may add entries to
  // that folder. Looks only: creates and changes nothing, so a dry run may ask.
  // False, with LastErrorText saying what stands in the way.
  [[nodiscard]] virtual bool CanWriteFolder(std::u16string_view folder) = 0;
  // Whether a folder of this system can hold an entry of this name, which is one
  // plain name that Windows allows: false, with LastErrorText saying why, for a
  // name longer than this system's names or one it cannot store. Looks at no file.
  [[nodiscard]] virtual bool CanHoldName(std::u16string_view name) = 0;
  // Atomically renames `from` to `to`, replacing `to` when it exists.
  // A file that replaces an existing file takes over who may read and write it: the
  // replaced file's access rights, and its owner where this process may give a file
  // to another user (an administrator may), so that putting new content in place
  // never opens a private file to others nor takes it from the user who owned it.
  // When those rights cannot be given, nothing is replaced. A link at `to` is
  // replaced as a name; it has no rights to hand on.
  [[nodiscard]] virtual bool MoveFileExW(std::u16string_view from, std::u16string_view to) = 0;
  // What writing `path` would reach, every link on the way followed, so that a
  // caller who replaces a file by a rename can rename over the file a link leads
  // to (the link stays a link) and never over a device or pipe. *target gets the
  // path once the links are followed (a link that leads to nothing gives the path
  // it leads to, where a new file would be made), what is there, and whether it is
  // what standard output writes to. The path itself is never created or opened
  // for writing. False when it cannot be looked at (a folder on the way that
  // cannot be read, a link loop, a file where a folder should be); LastErrorText
  // says why.
  [[nodiscard]] virtual bool GetWriteTarget(std::u16string_view path, WriteTarget* target) = 0;

  // searchPath is a folder, a backslash and a pattern ("*.*" or "*"). Every entry
  // is listed, "." and ".." included, in the order the file system gives. Entries
  // whose name or full path cannot be handed over in Windows form within
  // kMaxPathUnits are left out and recorded for TakeSkippedEntries() (a platform
  // whose names always fit records none). Links to folders are listed as files, so
  // a walk does not descend into them.
  [[nodiscard]] virtual FindHandle FindFirstFileW(std::u16string_view searchPath, FindData* found) = 0;
  [[nodiscard]] virtual bool FindNextFileW(FindHandle find, FindData* found) = 0;
  [[nodiscard]] virtual bool FindClose(FindHandle find) = 0;
  // The entries this thread's folder and registry listings left out since the last
  // call; clears them.
  virtual std::vector<SkippedEntry> TakeSkippedEntries() = 0;

  // ---- Shell --------------------------------------------------------------------
  // kCsidlFavorites: the profile's Favorites folder, created when `create` is set.
  // Only the Favorites folder is ever made: without the profile folder it is false.
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
  // and a backup do not; without that folder there is nothing to keep apart, and
  // the lock succeeds). A profile folder that is not there is never made: the lock
  // fails, with a LastErrorText that names it, so that no job takes a missing
  // profile for an empty one. Locks of separate calls exclude each other, in one
  // process too.
  [[nodiscard]] virtual ProfileLock LockProfile(std::uint32_t waitMilliseconds, bool create) = 0;
  virtual bool UnlockProfile(ProfileLock lock) = 0;
  // Whether this process may write what a restore writes in the profile: files in
  // its Favorites folder (or, while that is missing, the folder it would be made
  // in; see CanWriteFolder) and the settings of kHkeyCurrentUser. Looks only:
  // creates and changes nothing. False, with a LastErrorText of one sentence that
  // names what cannot be written and why; so for a profile folder that is not there.
  [[nodiscard]] virtual bool CanWriteProfile() = 0;

  // ---- Registry -----------------------------------------------------------------
  // Roots: kHkeyCurrentUser (the user's settings) and kHkeyClassesRoot (where the
  // program's file association goes). Key names match without regard to case.
  // Reads see every value a RegistryWrites has set, committed or not.
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
  [[nodiscard]] virtual RegResult RegCloseKey(RegKey key) = 0;
  // Starts the registry writes of one job below `root`. Null, with *refused saying
  // why, when that registry cannot take writes at all (for a registry kept in a
  // file: changes of Windows not yet replayed into it, a format we do not write);
  // nothing has been written then.
  [[nodiscard]] virtual std::unique_ptr<RegistryWrites> RegBeginWrites(RegKey root, Status* refused) = 0;

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
  // The bytes before the first line feed of what `path` names, or of standard
  // input when `path` is empty; all of them when there is no line feed. `path` may
  // name a file or a stream that another program is still writing, such as a
  // pipe: a stream is read only until its first line has come, and waits for it.
  // False, with LastErrorText saying why, when it cannot be read, when it is a
  // folder or a terminal (a question is the way to ask a terminal), or when more
  // than `maxBytes` come before the line ends.
  [[nodiscard]] virtual bool ReadFirstLine(std::u16string_view path, std::size_t maxBytes, std::string* line) = 0;
};

// The platform the engine calls. Front ends install one at start; tests install
// their own for the length of a scope. Without one installed, the process stops
// with a message: no platform is ever guessed.
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
