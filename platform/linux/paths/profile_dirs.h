// Where the profile folder and the program's own hive live when nobody says.
#pragma once

#include <string>
#include <vector>

namespace qv {

// --profile=DIR, else $QUORVEL_PROFILE, else $XDG_DATA_HOME/quorvel/profile (with
// ~/.local/share when XDG_DATA_HOME is unset).
std::string ResolveProfileDir(const std::string& fromCommandLine);
// Where ResolveProfileDir took the folder from. A folder the user named that is
// not there is a mistake (a typo, a disk not mounted); the default one is the
// program's own, which a first start may make.
enum class ProfileSource { kCommandLine, kEnvironment, kDefault };
ProfileSource ProfileSourceOf(const std::string& fromCommandLine);
// Empty when `profileDir` is a folder (a link to one counts); otherwise why not,
// naming it: "the profile folder /mnt/win/Users/alice does not exist".
std::string ProfileFolderProblem(const std::string& profileDir);
// ProfileFolderProblem for the folder ResolveProfileDir gives, saying where a named
// one came from. A missing default folder is no problem here: *defaultMissing is
// set instead, for the caller to make it or to say how to name one.
std::string NamedProfileProblem(const std::string& fromCommandLine, bool* defaultMissing);
// Makes the profile folder, its parents and its Favorites/; empty, or why not.
std::string MakeProfileFolder(const std::string& profileDir);
// $XDG_DATA_HOME/quorvel/classes.dat, likewise.
std::string DefaultClassesHive();
// $XDG_DATA_HOME when it is absolute, else ~/.local/share: where a user's desktop
// entries, MIME packages and icons live.
std::string UserDataHome();
// The system's data folders, in the order the desktop searches them: the absolute
// entries of $XDG_DATA_DIRS, else /usr/local/share and /usr/share. Each without a
// trailing '/'.
std::vector<std::string> SystemDataDirs();
// $TMPDIR when it is absolute, else /tmp: where temporary files go that belong
// beside no target.
std::string DefaultTempFolder();

}  // namespace qv
