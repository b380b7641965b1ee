#include <CLI/CLI.hpp>
#include <cstdlib>
#include <memory>

#include "cli/commands.h"
#include "platform/linux/linux_platform.h"
#include "store/block_pool.h"

namespace qv::cli {

void AddProfileOption(CLI::App& command, std::string& profileDir) {
  command.add_option("--profile", profileDir,
                     "Profile folder (holds Favorites/ and NTUSER.DAT), which must exist; default: "
                     "$QUORVEL_PROFILE, else $XDG_DATA_HOME/quorvel/profile, which a restore makes")
      ->type_name("DIR");
}

void InstallPlatform(const std::string& profileDir) {
  InstallLinuxPlatformForProcess(profileDir);
  // The engine reads no environment of its own; the thread count is ours to pass.
  const char* threads = std::getenv("QUORVEL_THREADS");
  BlockPool::SetWorkersAsked(threads != nullptr ? threads : "");
}

std::string ResolvedProfile(const std::string& profileDir) { return ResolveProfileDir(profileDir); }

}  // namespace qv::cli
