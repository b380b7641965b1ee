#include "platform/linux/paths/profile_dirs.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/linux/files/file_system_ops.h"
#include "platform/linux/paths/absolute_path.h"
#include "platform/shared/last_error.h"

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

std::vector<std::string> SystemDataDirs() {
  std::vector<std::string> folders;
  const std::string list = Environment("XDG_DATA_DIRS");
  std::size_t begin = 0;
  while (begin < list.size()) {
    const std::size_t colon = std::min(list.find(':', begin), list.size());
    std::string folder = list.substr(begin, colon - begin);
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    // Relative entries are invalid by the same rules.
    if (!folder.empty() && folder.front() == '/') folders.push_back(std::move(folder));
    begin = colon + 1;
  }
  if (folders.empty()) folders = {"/usr/local/share", "/usr/share"};
  return folders;
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

ProfileSource ProfileSourceOf(const std::string& fromCommandLine) {
  if (!fromCommandLine.empty()) return ProfileSource::kCommandLine;
  return Environment("QUORVEL_PROFILE").empty() ? ProfileSource::kDefault : ProfileSource::kEnvironment;
}

std::string ProfileFolderProblem(const std::string& profileDir) {
  struct stat info {};
  if (stat(profileDir.c_str(), &info) != 0) {
    const int error = errno;
    if (error == ENOENT) return "the profile folder " + profileDir + " does not exist";
    return "cannot look at the profile folder " + profileDir + ": " + std::strerror(error);
  }
  if (!S_ISDIR(info.st_mode)) return "the profile folder " + profileDir + " is not a folder";
  return {};
}

std::string NamedProfileProblem(const std::string& fromCommandLine, bool* defaultMissing) {
  *defaultMissing = false;
  std::string problem = ProfileFolderProblem(ResolveProfileDir(fromCommandLine));
  if (problem.empty()) return problem;
  switch (ProfileSourceOf(fromCommandLine)) {
    case ProfileSource::kCommandLine:
      return problem;
    case ProfileSource::kEnvironment:
      return problem + " (QUORVEL_PROFILE names it)";
    case ProfileSource::kDefault:
      break;
  }
  *defaultMissing = true;
  return {};
}

std::string MakeProfileFolder(const std::string& profileDir) {
  const int made = CreateFolderTree(profileDir + "/Favorites");
  return made == 0 || made == kErrorAlreadyExists ? std::string() : LastErrorTextOfThread();
}

std::string DefaultClassesHive() { return MakeAbsoluteNativePath(UserDataHome() + "/quorvel/classes.dat"); }

}  // namespace qv
