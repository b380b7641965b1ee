// The platform the window runs on: the Linux platform on the chosen profile folder.
#pragma once

#include <QStringList>
#include <string>

namespace qv::app {

// The DIR of the first "--profile=DIR" argument; empty when there is none.
std::string ProfileOption(const QStringList& arguments);

// Installs the Linux platform on the profile folder chosen by `profileOption`,
// else QUORVEL_PROFILE, else the default, as qvl resolves it. For the rest of the
// run.
void InstallAppPlatform(const std::string& profileOption);

}  // namespace qv::app
