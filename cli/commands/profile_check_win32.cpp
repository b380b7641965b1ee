// The profile check on Windows, where qvl serves only the user's own profile:
// --profile and QUORVEL_PROFILE are refused before this runs. Its folder is the
// shell's, and its settings are the live HKEY_CURRENT_USER, which is always there,
// so a profile without a Favorites folder still has settings to back up.
#include "cli/commands/profile_check.h"

#include "cli/commands.h"
#include "platform/platform.h"
#include "platform/text/text.h"

namespace qv::cli {

std::optional<std::string> ProfileProblem(const std::string& profileOption, ProfileUse) {
  const std::string folder = ResolvedProfile(profileOption);
  int error = 0;
  if (folder.empty() || Os().GetFileAttributesW(FromUtf8(folder), &error) != kFileAttributeDirectory) {
    return "the profile folder " + (folder.empty() ? std::string("of this user") : folder) + " is not there";
  }
  return std::nullopt;
}

}  // namespace qv::cli
