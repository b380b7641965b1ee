// The Linux implementation of Platform: a profile folder plays the user's profile.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "platform/linux/paths/profile_dirs.h"
#include "platform/platform.h"

namespace qv {

struct LinuxPlatformOptions {
  std::string strProfileDir;   // native path; its Favorites/ and NTUSER.DAT are used
  std::string strClassesHive;  // native path of the program's own HKEY_CLASSES_ROOT hive
  // How many bytes of settings a hive collects before its commit; more are refused.
  // 0: the registry's own bound (16 MiB). Tests use small ones.
  std::size_t nPendingLimitBytes = 0;
  // Native path of the folder for temporary files beside no target; empty:
  // DefaultTempFolder().
  std::string strTempFolder = {};
};

std::unique_ptr<Platform> MakeLinuxPlatform(const LinuxPlatformOptions& options);

// For a front end at start: installs, for the rest of the process, the Linux
// platform on the profile folder `profileOption` names (ResolveProfileDir's rules)
// with the program's own classes hive. A second call replaces the first.
void InstallLinuxPlatformForProcess(const std::string& profileOption);

}  // namespace qv
