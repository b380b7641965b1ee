// What only the Win32 platform does: the user's own profile as the shell names
// it, share modes that keep a file in use from being replaced or swept away, the
// live registry's order and string values, and Ctrl-C.
#include <windows.h>
#include <shlobj.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/shared/last_error.h"
#include "platform/shared/skipped_entries.h"
#include "platform/terminal/stop_signals.h"
#include "platform/text/text.h"
#include "platform/win32/win32_platform.h"
#include "tests/platform/contract/win32_harness.h"
#include "tests/support/temp_dir.h"

namespace qv::test {
namespace {

std::u16string ShellFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  EXPECT_EQ(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path), S_OK);
  return std::u16string(path, path + wcslen(path));
}

bool WriteAll(Platform& os, FileHandle file, const std::string& text) {
  std::uint32_t written = 0;
  return os.WriteFile(file, text.data(), static_cast<std::uint32_t>(text.size()), &written) &&
         written == text.size();
}

// A profile folder that is not there is never made: every way in that would make
// Favorites fails instead, naming the folder.
TEST(Win32Platform, AMissingProfileFolderIsNeverCreated) {
  const ScratchRegistryRoot registry;
  TempDir dir;
  const std::u16string missing = FromUtf8((dir.path() / "new").string()) + u"\\profile";
  const std::unique_ptr<Platform> os = MakeWin32Platform({missing, registry.Key()});
  std::u16string path;
  EXPECT_FALSE(os->SHGetSpecialFolderPathW(kCsidlFavorites, true, &path));
  EXPECT_EQ(os->LockProfile(0, true), kInvalidHandle);
  EXPECT_FALSE(os->CanWriteProfile());
  EXPECT_EQ(os->LastErrorText(), "the profile folder " + ToUtf8(missing) + " does not exist");
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "new"));
}

TEST(Win32Platform, TheUsersOwnFavoritesAreTheShellsAndAreStoredUnderUserProfile) {
  const ScratchRegistryRoot registry;  // nothing of the user's own is written
  const std::unique_ptr<Platform> os = MakeWin32Platform({u"", registry.Key()});
  std::u16string favorites;
  ASSERT_TRUE(os->SHGetSpecialFolderPathW(kCsidlFavorites, true, &favorites)) << os->LastErrorText();
  EXPECT_EQ(favorites, ShellFolder(CSIDL_FAVORITES));
  std::u16string stored;
  ASSERT_TRUE(os->PathUnExpandEnvStringsW(favorites + u"\\Links\\a.url", &stored));
  EXPECT_EQ(stored, u"%USERPROFILE%\\Favorites\\Links\\a.url");
  EXPECT_EQ(os->ExpandEnvironmentStringsW(u"%USERPROFILE%"), ShellFolder(CSIDL_PROFILE));
  // Only %USERPROFILE% stands for a folder in an archive, whatever else Windows knows.
  EXPECT_EQ(os->ExpandEnvironmentStringsW(u"%SystemRoot%\\x"), u"%SystemRoot%\\x");
  EXPECT_EQ(os->ExpandEnvironmentStringsW(u"%TEMP%"), u"%TEMP%");
}

TEST(Win32Platform, AFileInUseIsNeitherReplacedNorSweptAway) {
  Win32Harness harness;
  Platform& os = harness.os();
  WriteFileBytes(harness.Native("kept.url"), "old");
  const FileHandle reader = os.CreateFileW(harness.Win("kept.url"), kGenericRead, kFileShareRead, kOpenExisting);
  ASSERT_NE(reader, kInvalidHandle);
  std::u16string temp;
  ASSERT_TRUE(os.GetTempFileNameW(harness.Win(""), &temp, false));
  EXPECT_FALSE(os.MoveFileExW(temp, harness.Win("kept.url")));
  EXPECT_EQ(ReadFileBytes(harness.Native("kept.url")), "old");
  EXPECT_TRUE(os.CloseHandle(reader));
  EXPECT_TRUE(os.MoveFileExW(temp, harness.Win("kept.url")));
  EXPECT_EQ(ReadFileBytes(harness.Native("kept.url")), "");

  // Left by a process that has ended, but written by somebody now: Windows keeps
  // it from being deleted while it is open.
  const std::string stale = ".quorvel-4294967291-AbCdEf.tmp";
  const FileHandle writer = os.CreateFileW(harness.Win(stale), kGenericWrite, kFileShareNone, kCreateAlways);
  ASSERT_NE(writer, kInvalidHandle);
  EXPECT_TRUE(WriteAll(os, writer, "busy"));
  EXPECT_EQ(os.RemoveStaleTempFiles(harness.Win(""), false), 0u);
  EXPECT_TRUE(os.CloseHandle(writer));
  EXPECT_EQ(os.RemoveStaleTempFiles(harness.Win(""), false), 1u);
  EXPECT_FALSE(HasTempFile(harness.Native("")));
}

std::vector<std::u16string> ValueNames(Platform& os, RegKey key) {
  std::vector<std::u16string> names;
  std::u16string name;
  for (std::uint32_t i = 0; os.RegEnumValueW(key, i, 16384, &name) == kErrorSuccess; ++i) names.push_back(name);
  return names;
}

TEST(Win32Platform, TheLiveRegistryGivesBackTheOrderARestoreSetsAndSubkeysInNameOrder) {
  // A backup stores values in the order the listing gives and a restore sets them
  // in that order. Windows lists values in the order they were made, Wine in name
  // order: either way a restored key lists as its source did. Subkeys come in name
  // order on both.
  Win32Harness harness;
  Platform& os = harness.os();
  Status refused;
  const std::unique_ptr<RegistryWrites> writes = os.RegBeginWrites(kHkeyCurrentUser, &refused);
  ASSERT_TRUE(writes) << refused.message();
  const std::uint8_t data[4] = {1, 0, 0, 0};
  const auto fill = [&](const std::u16string& path, const std::vector<std::u16string>& names) {
    RegKey key = 0;
    EXPECT_EQ(writes->RegCreateKeyExW(kHkeyCurrentUser, path, kKeyAllAccess, &key), kErrorSuccess);
    for (const std::u16string& name : names) {
      RegKey sub = 0;
      EXPECT_EQ(writes->RegCreateKeyExW(key, name.empty() ? u"empty" : name, kKeyAllAccess, &sub), kErrorSuccess);
      EXPECT_EQ(os.RegCloseKey(sub), kErrorSuccess);
      EXPECT_EQ(writes->RegSetValueExW(key, name, kRegDword, data, 4), kErrorSuccess);
    }
    return key;
  };
  const RegKey source = fill(harness.ScratchKey() + u"\\Source", {u"zeta", u"Alpha", u"", u"mid", u"beta"});
  const std::vector<std::u16string> listed = ValueNames(os, source);
  ASSERT_EQ(listed.size(), 5u);
  const RegKey restored = fill(harness.ScratchKey() + u"\\Restored", listed);
  ASSERT_TRUE(writes->Commit().ok());
  EXPECT_EQ(ValueNames(os, restored), listed);
  std::vector<std::u16string> subkeys;
  std::u16string name;
  for (std::uint32_t i = 0; os.RegEnumKeyExW(source, i, 256, &name) == kErrorSuccess; ++i) subkeys.push_back(name);
  EXPECT_EQ(subkeys, (std::vector<std::u16string>{u"Alpha", u"beta", u"empty", u"mid", u"zeta"}));
  EXPECT_EQ(os.RegCloseKey(source), kErrorSuccess);
  EXPECT_EQ(os.RegCloseKey(restored), kErrorSuccess);
}

TEST(Win32Platform, StringValuesKeepExactlyTheirBytes) {
  // RegSetValueExW adds a character to a string not ending in NUL when the bytes
  // after it are zero; what a restore sets must come back as the archive has it.
  Win32Harness harness;
  Platform& os = harness.os();
  Status refused;
  const std::unique_ptr<RegistryWrites> writes = os.RegBeginWrites(kHkeyCurrentUser, &refused);
  ASSERT_TRUE(writes) << refused.message();
  RegKey key = 0;
  ASSERT_EQ(writes->RegCreateKeyExW(kHkeyCurrentUser, harness.ScratchKey(), kKeyAllAccess, &key), kErrorSuccess);
  const std::uint8_t bytes[] = {'a', 0, 'b', 0, 'c', 0, 0, 0, 0, 0};
  for (const std::uint32_t type : {kRegSz, kRegExpandSz, kRegMultiSz}) {
    for (const std::uint32_t size : {4u, 5u, 6u, 8u}) {
      SCOPED_TRACE(std::to_string(type) + " " + std::to_string(size));
      ASSERT_EQ(writes->RegSetValueExW(key, u"v", type, bytes, size), kErrorSuccess);
      std::uint32_t stored = 0;
      std::uint32_t storedType = 0;
      ASSERT_EQ(os.RegQueryValueExW(key, u"v", &storedType, nullptr, &stored), kErrorSuccess);
      EXPECT_EQ(stored, size);
      EXPECT_EQ(storedType, type);
    }
  }
  EXPECT_EQ(os.RegCloseKey(key), kErrorSuccess);
}

TEST(Win32Platform, CtrlCAsksTheJobToStopAndLeavesTheProcessRunning) {
  // A console of this process's own: Ctrl-C reaches every process that shares one,
  // and tests running beside this one must not get it. Output still goes where it
  // went, as the C library holds its own handles.
  FreeConsole();
  if (!AllocConsole()) GTEST_SKIP() << "no console to send Ctrl-C in";
  SetConsoleCtrlHandler(nullptr, FALSE);  // a process started in a group of its own ignores Ctrl-C
  const StopSignals signals;
  ASSERT_FALSE(signals.Flag()->load());
  ASSERT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
  // The handler runs on a thread of its own; the flag is the one sign it ran.
  for (int i = 0; i < 5000 && !signals.Flag()->load(); ++i) Sleep(1);
  EXPECT_TRUE(signals.Flag()->load());
}

// Threads that end with a failure text and skipped entries of their own, as pool
// and job threads do, end cleanly and leave every other thread's alone.
TEST(Win32Platform, ThreadsThatFailedEndCleanly) {
  SetLastErrorText("this thread's own failure");
  for (int round = 0; round < 20; ++round) {
    std::thread worker([round] {
      SetLastErrorText(std::string(200, 'x') + std::to_string(round));
      NoteSkippedEntry({std::string(300, 'y'), "a reason long enough to live on the heap, not in the string"});
    });
    worker.join();
  }
  EXPECT_EQ(LastErrorTextOfThread(), "this thread's own failure");
  EXPECT_TRUE(TakeSkippedEntriesOfThread().empty());
}

}  // namespace
}  // namespace qv::test
