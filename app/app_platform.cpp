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
  const std::string folder = ResolveProfileDir(profileOption);
  std::string problem = ProfileFolderProblem(folder);
  if (problem.empty()) return problem;
  switch (ProfileSourceOf(profileOption)) {
    case ProfileSource::kCommandLine:
      return problem;
    case ProfileSource::kEnvironment:
      return problem + " (QUORVEL_PROFILE names it)";
    case ProfileSource::kDefault:
      break;
  }
  if (std::string why = MakeProfileFolder(folder); !why.empty()) return "cannot make the default profile folder: " + why;
  return {};
}

}  // namespace qv::app
