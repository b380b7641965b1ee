#include <CLI/CLI.hpp>
#include <memory>

#include "cli/commands.h"
#include "platform/linux/linux_platform.h"

namespace qv::cli {

void AddProfileOption(CLI::App& command, std::string& profileDir) {
  command.add_option("--profile", profileDir,
                     "Profile folder (holds Favorites/ and NTUSER.DAT); default: "
                     "$QUORVEL_PROFILE, else $XDG_DATA_HOME/quorvel/profile")
      ->type_name("DIR");
}

void InstallPlatform(const std::string& profileDir) { InstallLinuxPlatformForProcess(profileDir); }

}  // namespace qv::cli
