#include "platform/linux/paths/profile_dirs.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/linux/paths/absolute_path.h"

namespace qv {
namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

std::string HomeFolder() {
  std::string home = Environment("HOME");
  if (!home.empty()) return home;
  if (const passwd* user = getpwuid(getuid()); user && user->pw_dir) return user->pw_dir;
  return "/";
}

}  // namespace

// The XDG base directory rules ignore a relative XDG_DATA_HOME as invalid.
std::string UserDataHome() {
  const std::string xdg = Environment("XDG_DATA_HOME");
  if (!xdg.empty() && xdg.front() == '/') return xdg;
  return HomeFolder() + "/.local/share";
}

std::string ResolveProfileDir(const std::string& fromCommandLine) {
  if (!fromCommandLine.empty()) return MakeAbsoluteNativePath(fromCommandLine);
  const std::string fromEnvironment = Environment("QUORVEL_PROFILE");
  if (!fromEnvironment.empty()) return MakeAbsoluteNativePath(fromEnvironment);
  return MakeAbsoluteNativePath(UserDataHome() + "/quorvel/profile");
}

std::string DefaultTempFolder() {
  const std::string tmpdir = Environment("TMPDIR");
  return MakeAbsoluteNativePath(!tmpdir.empty() && tmpdir.front() == '/' ? tmpdir : "/tmp");
}

std::string DefaultClassesHive() { return MakeAbsoluteNativePath(UserDataHome() + "/quorvel/classes.dat"); }

}  // namespace qv
