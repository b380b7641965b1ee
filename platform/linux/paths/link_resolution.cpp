#include "platform/linux/paths/link_resolution.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <deque>

#include "platform/shared/last_error.h"
#include "platform/linux/os_error.h"

namespace qv {
namespace {

// The kernel's own limit on links followed in one lookup.
constexpr int kMaxLinkHops = 40;

void AppendComponents(const std::string& path, std::deque<std::string>* out, bool atFront) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  if (atFront) {
    out->insert(out->begin(), parts.begin(), parts.end());
  } else {
    out->insert(out->end(), parts.begin(), parts.end());
  }
}

std::string Join(const std::vector<std::string>& components) {
  if (components.empty()) return "/";
  std::string path;
  for (const std::string& name : components) path += "/" + name;
  return path;
}

bool ReadLinkTarget(const std::string& link, std::string* target) {
  std::string buffer(256, '\0');
  for (;;) {
    const ssize_t length = readlink(link.c_str(), buffer.data(), buffer.size());
    if (length < 0) {
      SetLastErrorFromErrno("cannot read the link", link, errno);
      return false;
    }
    if (static_cast<std::size_t>(length) < buffer.size()) {
      buffer.resize(static_cast<std::size_t>(length));
      *target = std::move(buffer);
      return true;
    }
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

bool ResolveLinks(const std::string& absolutePath, std::vector<std::string>* components) {
  std::deque<std::string> pending;
  AppendComponents(absolutePath, &pending, false);
  std::vector<std::string> resolved;
  std::size_t missingTail = 0;  // trailing names of `resolved` that do not exist
  int hops = 0;

  while (!pending.empty()) {
    std::string name = std::move(pending.front());
    pending.pop_front();
    if (name == ".") continue;
    if (name == "..") {
      // `resolved` holds no links, so its parent is the real parent.
      if (!resolved.empty()) resolved.pop_back();
      if (missingTail > 0) --missingTail;
      continue;
    }
    if (missingTail > 0) {
      resolved.push_back(std::move(name));
      ++missingTail;
      continue;
    }
    resolved.push_back(name);
    const std::string candidate = Join(resolved);
    struct stat info {};
    if (lstat(candidate.c_str(), &info) != 0) {
      if (errno != ENOENT && errno != ENOTDIR) {
        SetLastErrorFromErrno("cannot look at", candidate, errno);
        return false;
      }
      missingTail = 1;
      continue;
    }
    if (!S_ISLNK(info.st_mode)) continue;

    if (++hops > kMaxLinkHops) {
      SetLastErrorText("too many levels of links in " + absolutePath);
      return false;
    }
    std::string target;
    if (!ReadLinkTarget(candidate, &target)) return false;
    resolved.pop_back();
    if (!target.empty() && target.front() == '/') resolved.clear();
    AppendComponents(target, &pending, true);
  }
  *components = std::move(resolved);
  return true;
}

bool IsNativePathWithin(const std::string& path, const std::string& folder, bool* unresolved) {
  std::vector<std::string> resolvedPath;
  std::vector<std::string> resolvedFolder;
  if (!ResolveLinks(path, &resolvedPath) || !ResolveLinks(folder, &resolvedFolder)) {
    if (unresolved) *unresolved = true;
    return false;
  }
  if (resolvedPath.size() < resolvedFolder.size()) return false;
  for (std::size_t i = 0; i < resolvedFolder.size(); ++i) {
    if (resolvedPath[i] != resolvedFolder[i]) return false;
  }
  return true;
}

}  // namespace qv
