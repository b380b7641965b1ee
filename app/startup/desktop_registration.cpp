#include "app/startup/desktop_registration.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "app/startup/desktop_files.h"
#include "platform/linux/paths/profile_dirs.h"

namespace qv::app {
namespace {

std::filesystem::path Resolved(const std::string& path) {
  std::error_code error;
  std::filesystem::path resolved = std::filesystem::weakly_canonical(path, error);
  return error ? std::filesystem::path(path).lexically_normal() : resolved;
}

bool IsProgramFile(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

// A string value of a desktop entry with its escapes undone.
std::string UnescapedValue(const std::string& value) {
  std::string text;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      text += value[i];
      continue;
    }
    const char next = value[++i];
    text += next == 's' ? ' ' : next == 'n' ? '\n' : next == 't' ? '\t' : next == 'r' ? '\r' : next;
  }
  return text;
}

DetachedRun RebuildCaches(const std::string& dataHome) {
  return DetachedRun::Start({{"update-mime-database", dataHome + "/mime"},
                             {"update-desktop-database", "-q", dataHome + "/applications"}});
}

}  // namespace

bool IsInstalledSystemWide(const std::string& programPath, const std::vector<std::string>& systemDataDirs) {
  const std::filesystem::path program = Resolved(programPath);
  if (program.parent_path().filename() != "bin") return false;
  const std::filesystem::path share = program.parent_path().parent_path() / "share";
  for (const std::string& folder : systemDataDirs) {
    if (Resolved(folder) != share) continue;
    std::error_code error;
    if (std::filesystem::is_regular_file(share / kDesktopEntryFile, error)) return true;
  }
  return false;
}

std::string RegisteredProgram(const std::string& dataHome) {
  std::ifstream file(dataHome + "/" + kDesktopEntryFile, std::ios::binary);
  const std::string entry((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  // Ours name the archive type and the program's absolute path in TryExec.
  const std::string mimeLine = std::string("\nMimeType=") + kArchiveMimeType + ";\n";
  const std::size_t tryExec = entry.find("\nTryExec=/");
  if (entry.find(mimeLine) == std::string::npos || tryExec == std::string::npos) return {};
  const std::size_t begin = tryExec + 9;
  const std::size_t end = entry.find('\n', begin);
  if (end == std::string::npos) return {};
  return UnescapedValue(entry.substr(begin, end - begin));
}

DetachedRun RegisterWithDesktop(const QString& programPath) {
  const std::string dataHome = UserDataHome();
  const std::string program = programPath.toStdString();
  if (!IsInstalledSystemWide(program, SystemDataDirs())) {
    // A file that could not be written leaves the caches as they were for it; the
    // rest are still worth rebuilding.
    (void)WriteDataFiles(dataHome, DesktopFiles(programPath));
    return RebuildCaches(dataHome);
  }
  std::error_code error;
  if (!std::filesystem::exists(dataHome + "/" + kDesktopEntryFile, error)) return {};
  const std::string registered = RegisteredProgram(dataHome);
  if (registered.empty()) return {};  // the user's own entry
  if (IsProgramFile(registered) && Resolved(registered) != Resolved(program)) return {};
  // Whatever could not be deleted still shadows the package for this user; the
  // rest is gone, and the caches must forget it.
  (void)RemoveDataFiles(dataHome, DesktopFilePaths());
  return RebuildCaches(dataHome);
}

}  // namespace qv::app
