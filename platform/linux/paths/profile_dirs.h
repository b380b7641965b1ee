// Where the profile folder and the program's own hive live when nobody says.
#pragma once

#include <string>
#include <vector>

namespace qv {

// --profile=DIR, else $QUORVEL_PROFILE, else $XDG_DATA_HOME/quorvel/profile (with
// ~/.local/share when XDG_DATA_HOME is unset).
std::string ResolveProfileDir(const std::string& fromCommandLine);
// $XDG_DATA_HOME/quorvel/classes.dat, likewise.
std::string DefaultClassesHive();
// $XDG_DATA_HOME when it is absolute, else ~/.local/share: where a user's desktop
// entries, MIME packages and icons live.
std::string UserDataHome();
// The system's data folders, in the order the desktop searches them: the absolute
// entries of $XDG_DATA_DIRS, else /usr/local/share and /usr/share. Each without a
// trailing '/'.
std::vector<std::string> SystemDataDirs();

}  // namespace qv
