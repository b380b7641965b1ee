#include "platform/win32/files/temp_files.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <memory>
#include <random>

#include "platform/shared/last_error.h"
#include "platform/temp_file_name.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_error.h"

namespace qv {
namespace {

// Frees what LocalAlloc gave, as the security calls hand it out.
struct LocalFreer {
  void operator()(void* memory) const { LocalFree(memory); }
};
using LocalMemory = std::unique_ptr<void, LocalFreer>;

void FillRandomName(std::u16string* name, std::size_t at, std::size_t count) {
  static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937_64 random{std::random_device{}()};
  for (std::size_t i = 0; i < count; ++i) (*name)[at + i] = static_cast<char16_t>(kChars[random() % (sizeof kChars - 1)]);
}

// A security descriptor that gives this user, and nobody else, the file.
LocalMemory OwnerOnlyDescriptor() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return nullptr;
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<unsigned char> user(size);
  const bool known = size > 0 && GetTokenInformation(token, TokenUser, user.data(), size, &size);
  CloseHandle(token);
  if (!known) return nullptr;
  wchar_t* sid = nullptr;
  if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &sid)) return nullptr;
  // A protected DACL: nothing is inherited from the folder.
  const std::wstring text = L"D:P(A;;FA;;;" + std::wstring(sid) + L")";
  LocalFree(sid);
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(text.c_str(), SDDL_REVISION_1, &descriptor, nullptr)) {
    return nullptr;
  }
  return LocalMemory(descriptor);
}

// Gives `temp` the DACL (and, where this process may, the owner) of `target`, so
// that new content in place of a private file stays private. A target that does
// not exist has nothing to hand on.
bool TakeOverAccess(const std::wstring& temp, const std::wstring& target) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD looked = GetNamedSecurityInfoW(target.c_str(), SE_FILE_OBJECT,
                                             OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                                             &dacl, nullptr, &descriptor);
  if (looked == ERROR_FILE_NOT_FOUND || looked == ERROR_PATH_NOT_FOUND) return true;
  if (looked != ERROR_SUCCESS) {
    SetLastErrorFromWindows("cannot read the rights of", Utf8FromWide(target), looked);
    return false;
  }
  const LocalMemory held(descriptor);
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  GetSecurityDescriptorControl(descriptor, &control, &revision);
  // A DACL that inherits keeps inheriting from the same folder; one that does not
  // is copied as it is.
  const SECURITY_INFORMATION protection = (control & SE_DACL_PROTECTED) != 0 ? PROTECTED_DACL_SECURITY_INFORMATION
                                                                             : UNPROTECTED_DACL_SECURITY_INFORMATION;
  std::wstring writable = temp;
  const DWORD set = SetNamedSecurityInfoW(writable.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | protection,
                                          nullptr, nullptr, dacl, nullptr);
  if (set != ERROR_SUCCESS) {
    SetLastErrorFromWindows("cannot give the rights of " + Utf8FromWide(target) + " to", Utf8FromWide(temp), set);
    return false;
  }
  // Only an administrator may give a file to another user; the DACL above
  // already decides who reads it.
  (void)SetNamedSecurityInfoW(writable.data(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, owner, nullptr, nullptr,
                              nullptr);
  return true;
}

bool RenameWithWriteThrough(const std::wstring& from, const std::wstring& to) {
  if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  SetLastErrorFromWindows("cannot rename " + Utf8FromWide(from) + " to", Utf8FromWide(to), GetLastError());
  return false;
}

bool FlushFile(const std::wstring& path) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    SetLastErrorFromWindows("cannot open", Utf8FromWide(path), GetLastError());
    return false;
  }
  const bool flushed = FlushFileBuffers(file);
  const DWORD error = GetLastError();
  CloseHandle(file);
  if (!flushed) SetLastErrorFromWindows("cannot flush", Utf8FromWide(path), error);
  return flushed;
}

bool ProcessIsAlive(std::uint64_t process) {
  if (process > 0xFFFFFFFFu) return false;
  const HANDLE handle = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(process));
  // A process that is there but not ours to look at is alive all the same.
  if (handle == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
  DWORD code = 0;
  const bool running = GetExitCodeProcess(handle, &code) && code == STILL_ACTIVE;
  CloseHandle(handle);
  return running;
}

}  // namespace

bool CreateTempFileIn(std::u16string_view folder, bool ownerOnly, std::u16string* path) {
  std::u16string name(folder);
  if (name.empty() || (name.back() != u'\\' && name.back() != u'/')) name += u'\\';
  name += FromUtf8(std::string(kTempNamePrefix) + std::to_string(GetCurrentProcessId()) + "-");
  const std::size_t randomAt = name.size();
  name += std::u16string(kTempNameRandomChars, u'X') + FromUtf8(kTempNameSuffix);

  LocalMemory descriptor;
  SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
  if (ownerOnly) {
    descriptor = OwnerOnlyDescriptor();
    if (!descriptor) {
      SetLastErrorFromWindows("cannot make a private file in", ToUtf8(folder), GetLastError());
      return false;
    }
    security.lpSecurityDescriptor = descriptor.get();
  }
  DWORD error = ERROR_FILE_EXISTS;
  for (int attempt = 0; attempt < 100 && (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS); ++attempt) {
    FillRandomName(&name, randomAt, kTempNameRandomChars);
    // CREATE_NEW: a name that is taken fails, and another is tried.
    const HANDLE file = CreateFileW(Wide(name).c_str(), GENERIC_WRITE, 0, ownerOnly ? &security : nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      *path = std::move(name);
      return true;
    }
    error = GetLastError();
  }
  SetLastErrorFromWindows("cannot create a temporary file in", ToUtf8(folder), error);
  return false;
}

bool ReplaceFileDurably(std::u16string_view temp, std::u16string_view target) {
  const std::wstring from = Wide(temp);
  const std::wstring to = Wide(target);
  if (!TakeOverAccess(from, to)) {
    SetLastErrorText("cannot give the new file the permissions of the one it replaces: " + LastErrorTextOfThread());
    return false;
  }
  return RenameWithWriteThrough(from, to);
}

std::vector<std::string> ReplaceFilesDurably(const std::vector<FileReplacement>& batch, const RenameTurn& turn) {
  std::vector<std::string> problems(batch.size());
  // Every file's data on the disk before any rename: a target must never name
  // data that a crash could lose.
  std::vector<bool> flushed(batch.size());
  for (std::size_t i = 0; i < batch.size(); ++i) {
    flushed[i] = FlushFile(Wide(batch[i].strTempPath));
    if (!flushed[i]) problems[i] = "cannot flush the content to disk: " + LastErrorTextOfThread();
  }
  TakenTurn taken(turn);
  for (std::size_t i = 0; i < batch.size(); ++i) {
    const std::wstring temp = Wide(batch[i].strTempPath);
    if (!flushed[i]) {
      (void)DeleteFileW(temp.c_str());
      continue;
    }
    const std::wstring target = Wide(batch[i].strTargetPath);
    // In the turn, right before the rename: a batch before this one may just have
    // put the target in place.
    if (!TakeOverAccess(temp, target)) {
      problems[i] = "cannot give the file the permissions of the one it replaces: " + LastErrorTextOfThread();
      (void)DeleteFileW(temp.c_str());
      continue;
    }
    // Write-through: the rename is on the disk when the call returns.
    if (!RenameWithWriteThrough(temp, target)) {
      problems[i] = "cannot replace the file: " + LastErrorTextOfThread();
      (void)DeleteFileW(temp.c_str());
    }
  }
  return problems;
}

std::uint64_t RemoveStaleTempFiles(std::u16string_view folder, bool withSubfolders) {
  std::uint64_t removed = 0;
  std::vector<std::wstring> pending{Wide(folder)};
  while (!pending.empty()) {
    std::wstring current = std::move(pending.back());
    pending.pop_back();
    if (!current.empty() && current.back() != L'\\' && current.back() != L'/') current += L'\\';
    WIN32_FIND_DATAW entry;
    const HANDLE find = FindFirstFileExW((current + L"*").c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch,
                                         nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) continue;  // nothing of ours can be found there either
    do {
      const std::wstring_view name = entry.cFileName;
      if (name == L"." || name == L"..") continue;
      const bool reparse = (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
      if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        if (withSubfolders && !reparse) pending.push_back(current + std::wstring(name));
        continue;
      }
      if (reparse) continue;
      const std::u16string name16 = FromWide(name);
      const TempFileName parsed = ParseTempFileName(std::u16string_view(name16));
      if (!parsed.bOurs) continue;
      // A live writer of ours keeps its file, whatever it holds open this moment.
      if (parsed.nProcess != 0 && ProcessIsAlive(parsed.nProcess)) continue;
      // Every writer of ours opens without FILE_SHARE_DELETE, so a file still
      // being written cannot be deleted.
      if (DeleteFileW((current + std::wstring(name)).c_str())) ++removed;
    } while (FindNextFileW(find, &entry));
    FindClose(find);
  }
  return removed;
}

}  // namespace qv
