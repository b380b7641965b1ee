// What backup, status and restore make sure of first, before a password is asked
// for or an archive read: the profile folder is there. One the user named and that
// is not there is a mistake (a typo, a disk not mounted), never a new, empty
// profile; the default one is the program's own, which a restore makes.
#pragma once

#include <optional>
#include <string>

namespace qv::cli {

enum class ProfileUse {
  kBackUp,   // reads it: a folder that holds neither Favorites nor NTUSER.DAT is refused
  kShow,     // qvl status: as a backup reads it
  kRestore,  // writes it: the default profile folder is made when missing
  kDryRun,   // looks only: nothing is made
};

// Why the profile that `profileOption` chooses cannot be used, in one sentence
// naming its folder; nullopt when it can. Needs the platform installed.
std::optional<std::string> ProfileProblem(const std::string& profileOption, ProfileUse use);

}  // namespace qv::cli
