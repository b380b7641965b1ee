// Runs test code as an ordinary user, so that file permissions apply to it.
#pragma once

#include <functional>
#include <string>

namespace qv::test {

// Runs `body` in a child process that has dropped to uid and gid `id` with no
// other groups, so file permissions apply as they do to an ordinary user. Returns
// what `body` returned, or why the child failed. Needs root.
std::string RunAsUnprivileged(unsigned id, const std::function<std::string()>& body);

}  // namespace qv::test
