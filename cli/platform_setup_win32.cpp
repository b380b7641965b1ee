// qvl on Windows: the user's own Favorites folder and HKEY_CURRENT_USER, through
// the Win32 platform. An offline profile (a folder with its own NTUSER.DAT) is not
// served here yet, and --profile says so rather than reach the live one.
#include <CLI/CLI.hpp>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <vector>

#include "cli/commands.h"
#include "platform/text/text.h"
#include "platform/win32/console.h"
#include "platform/win32/win32_platform.h"
#include "store/block_pool.h"

int QvlMain(int argc, char** argv);

namespace qv::cli {
namespace {

constexpr char kNoOfflineProfiles[] =
    "an offline profile (a folder with Favorites and NTUSER.DAT) is not served on Windows yet; "
    "without --profile, qvl works on this user's own Favorites and Internet Explorer settings";

}  // namespace

void AddProfileOption(CLI::App& command, std::string& profileDir) {
  command.add_option("--profile", profileDir, "Not on Windows yet: qvl works on this user's own profile")
      ->type_name("DIR")
      ->check([](const std::string&) { return std::string(kNoOfflineProfiles); });
}

void InstallPlatform(const std::string& profileDir) {
  // A variable meant for an offline profile must never send a restore to the
  // live one.
  const char* fromEnvironment = std::getenv("QUORVEL_PROFILE");
  if (profileDir.empty() && fromEnvironment != nullptr && *fromEnvironment != '\0') {
    std::cerr << "qvl: QUORVEL_PROFILE is set: " << kNoOfflineProfiles << "\n";
    std::exit(kExitUsage);
  }
  Win32PlatformOptions options;
  // Only extract names a folder here (--to), which plays the profile for its
  // favorites; the settings it writes go to a file, never to the registry.
  options.strProfileFolder = FromUtf8(profileDir);
  InstallWin32PlatformForProcess(options);
  const char* threads = std::getenv("QUORVEL_THREADS");
  BlockPool::SetWorkersAsked(threads != nullptr ? threads : "");
}

std::string ResolvedProfile(const std::string& profileDir) {
  return profileDir.empty() ? UserProfileFolder() : AbsolutePathText(profileDir);
}

}  // namespace qv::cli

int wmain(int argc, wchar_t** argv) {
  qv::PrepareConsoleForUtf8();
  qv::ReadEnvironmentAsUtf8({"QVL_PASSWORD", "QUORVEL_PROFILE", "QUORVEL_THREADS"});
  std::vector<std::string> arguments = qv::Utf8Arguments(argc, argv);
  std::vector<char*> pointers;
  for (std::string& argument : arguments) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  return QvlMain(argc, pointers.data());
}
