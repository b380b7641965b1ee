// A temporary folder for one test, removed with everything in it at the end.
#pragma once

#include <filesystem>
#include <string>

namespace qv::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return m_path; }
  std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

 private:
  std::filesystem::path m_path;
};

// Whole-file helpers for test data.
std::string ReadFileBytes(const std::filesystem::path& path);
// Whether a temporary file of ours lies anywhere below `root`.
bool HasTempFile(const std::filesystem::path& root);
void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);
// A symbolic link at `link` to `target` (a folder link where `target` is a folder).
// False where this system gives this process none: Windows gives them to the
// privileged, and Wine makes none at all. A test then leaves that case out.
bool MakeSymlink(const std::filesystem::path& target, const std::filesystem::path& link);

}  // namespace qv::test
