#include "app/app_platform.h"

#include <cstdlib>
#include <memory>

#include "platform/linux/linux_platform.h"
#include "store/block_pool.h"

namespace qv::app {

void InstallAppPlatform(const std::string& profileOption) {
  InstallLinuxPlatformForProcess(profileOption);
  // The engine reads no environment of its own; the thread count is ours to pass.
  const char* threads = std::getenv("QUORVEL_THREADS");
  BlockPool::SetWorkersAsked(threads != nullptr ? threads : "");
}

std::string PrepareProfileFolder(const std::string& profileOption) {
  bool defaultMissing = false;
  std::string problem = NamedProfileProblem(profileOption, &defaultMissing);
  if (!defaultMissing) return problem;
  if (std::string why = MakeProfileFolder(ResolveProfileDir(profileOption)); !why.empty()) {
    return "cannot make the default profile folder: " + why;
  }
  return {};
}

}  // namespace qv::app
