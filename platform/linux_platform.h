// The Linux implementation of Platform: a profile folder plays the user's profile.
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"

namespace qv {

struct LinuxPlatformOptions {
  std::string profileDir;   // native path; its Favorites/ and NTUSER.DAT are used
  std::string classesHive;  // native path of the program's own HKEY_CLASSES_ROOT hive
};

// --profile=DIR, else $QUORVEL_PROFILE, else $XDG_DATA_HOME/quorvel/profile (with
// ~/.local/share when XDG_DATA_HOME is unset).
std::string ResolveProfileDir(const std::string& fromCommandLine);
// $XDG_DATA_HOME/quorvel/classes.dat, likewise.
std::string DefaultClassesHive();

std::unique_ptr<Platform> MakeLinuxPlatform(const LinuxPlatformOptions& options);

}  // namespace qv
