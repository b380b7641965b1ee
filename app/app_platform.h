// The platform the window runs on: the Linux platform on the chosen profile folder.
#pragma once

#include <string>

namespace qv::app {

// Installs the Linux platform on the profile folder chosen by `profileOption`,
// else QUORVEL_PROFILE, else the default, as qvl resolves it. For the rest of the
// run.
void InstallAppPlatform(const std::string& profileOption);

// Empty when the window can start on that profile folder; otherwise why not, in
// one sentence that names it. A folder the user named must be there; the default
// one is the program's own, and its first start makes it (with Favorites/), so
// that a new user finds a profile to restore into.
std::string PrepareProfileFolder(const std::string& profileOption);

}  // namespace qv::app
