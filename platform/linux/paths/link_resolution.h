// Where a path really leads: ".", ".." and every symbolic link resolved along the
// part that exists, the rest taken as written. A link that dangles is followed
// too, because creating a file through it creates the file at its target.
#pragma once

#include <string>
#include <vector>

namespace qv {

// `absolutePath` is a native absolute path. On success *components holds the
// resolved path, one name per element (empty for "/"). False when a link loop or
// an unreadable folder stops the resolution; LastErrorText says which.
[[nodiscard]] bool ResolveLinks(const std::string& absolutePath,
                                std::vector<std::string>* components);

// True when `path` resolves to `folder` or below it, by whole components. False,
// with *unresolved set, when either cannot be resolved (LastErrorText says why).
bool IsNativePathWithin(const std::string& path, const std::string& folder, bool* unresolved);

}  // namespace qv
