// The platform the window runs on: the Linux platform on the chosen profile folder.
#pragma once

#include <string>

namespace qv::app {

// Installs the Linux platform on the profile folder chosen by `profileOption`,
// else QUORVEL_PROFILE, else the default, as qvl resolves it. For the rest of the
// run.
void InstallAppPlatform(const std::string& profileOption);

}  // namespace qv::app
