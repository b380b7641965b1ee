#include "cli/commands/profile_check.h"

#include "jobs/job_profile.h"
#include "platform/linux/linux_platform.h"

namespace qv::cli {
namespace {

// A newcomer's first command meets the default profile before any other.
std::string DefaultMissingText(const std::string& folder, ProfileUse use) {
  const std::string missing = "the default profile folder " + folder + " does not exist yet";
  const std::string nameOne =
      "name the profile with --profile=DIR or QUORVEL_PROFILE (a Windows user's folder, such as "
      "/mnt/win/Users/alice)";
  switch (use) {
    case ProfileUse::kBackUp:
      return "there is no profile to back up: " + missing + "; " + nameOne;
    case ProfileUse::kShow:
      return "there is no profile to show: " + missing + "; " + nameOne +
             ", or restore an archive into the default one, which makes it";
    case ProfileUse::kDryRun:
      return missing + "; a restore without --dry-run makes it and restores into it, or " + nameOne;
    case ProfileUse::kRestore:
      break;
  }
  return missing;
}

}  // namespace

std::optional<std::string> ProfileProblem(const std::string& profileOption, ProfileUse use) {
  const std::string folder = ResolveProfileDir(profileOption);
  bool defaultMissing = false;
  if (std::string problem = NamedProfileProblem(profileOption, &defaultMissing); !problem.empty()) return problem;
  if (defaultMissing) {
    if (use != ProfileUse::kRestore) return DefaultMissingText(folder, use);
    if (std::string why = MakeProfileFolder(folder); !why.empty()) return "cannot make the default profile folder: " + why;
    return std::nullopt;
  }
  if (use == ProfileUse::kBackUp || use == ProfileUse::kShow) {
    if (std::string notAProfile = NotAProfileText(LookInProfile()); !notAProfile.empty()) return notAProfile;
  }
  return std::nullopt;
}

}  // namespace qv::cli
