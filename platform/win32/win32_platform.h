// The Windows implementation of Platform: the user's own Favorites folder and
// HKEY_CURRENT_USER, through the Win32 services, or a folder and a registry key
// that stand in for them.
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"

namespace qv {

struct Win32PlatformOptions {
  // A folder that plays the user's profile: its Favorites\ is the Favorites folder
  // and it is %USERPROFILE%. Empty: the user's own profile, as the shell names it.
  std::u16string strProfileFolder;
  // A key below HKEY_CURRENT_USER that plays HKEY_CURRENT_USER, so that a test
  // never touches the user's own settings. Empty: HKEY_CURRENT_USER itself.
  std::u16string strRegistryRoot;
  // The folder for temporary files beside no target. Empty: the system's, as
  // GetTempPathW names it.
  std::u16string strTempFolder = {};
};

std::unique_ptr<Platform> MakeWin32Platform(const Win32PlatformOptions& options);

// For a front end at start: installs, for the rest of the process, the Win32
// platform with these options. A second call replaces the first.
void InstallWin32PlatformForProcess(const Win32PlatformOptions& options);

// The user's own profile folder (%USERPROFILE%), as messages name it.
std::string UserProfileFolder();
// `path` as an absolute path, for messages; `path` itself when it has none.
std::string AbsolutePathText(const std::string& path);

}  // namespace qv
