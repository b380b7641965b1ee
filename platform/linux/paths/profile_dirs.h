// Where the profile folder and the program's own hive live when nobody says.
#pragma once

#include <string>

namespace qv {

// --profile=DIR, else $QUORVEL_PROFILE, else $XDG_DATA_HOME/quorvel/profile (with
// ~/.local/share when XDG_DATA_HOME is unset).
std::string ResolveProfileDir(const std::string& fromCommandLine);
// $XDG_DATA_HOME/quorvel/classes.dat, likewise.
std::string DefaultClassesHive();
// $XDG_DATA_HOME when it is absolute, else ~/.local/share: where a user's desktop
// entries, MIME packages and icons live.
std::string UserDataHome();
// $TMPDIR when it is absolute, else /tmp: where temporary files go that belong
// beside no target.
std::string DefaultTempFolder();

}  // namespace qv
