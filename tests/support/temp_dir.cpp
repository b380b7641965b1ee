#include "tests/support/temp_dir.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "platform/temp_file_name.h"

namespace qv::test {

TempDir::TempDir() {
#ifdef _WIN32
  // No mkdtemp: a directory that exists already is not made again, and another
  // name is tried.
  thread_local std::mt19937_64 random{std::random_device{}()};
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path candidate =
        std::filesystem::temp_directory_path() / ("quorvel-test-" + std::to_string(random() % 1000000000u));
    std::error_code error;
    if (std::filesystem::create_directory(candidate, error)) {
      m_path = candidate;
      return;
    }
  }
  throw std::runtime_error("no temporary folder could be made");
#else
  std::string pattern = (std::filesystem::temp_directory_path() / "quorvel-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  m_path = pattern;
#endif
}

TempDir::~TempDir() {
  std::error_code ignored;  // a test may have left read-only entries; best effort
  std::filesystem::remove_all(m_path, ignored);
}

std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool HasTempFile(const std::filesystem::path& root) {
  std::error_code error;
  for (auto it = std::filesystem::recursive_directory_iterator(root, error);
       !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    if (IsTempFileName(it->path().filename().string())) return true;
  }
  return false;
}

bool MakeSymlink(const std::filesystem::path& target, const std::filesystem::path& link) {
  const bool folder = std::filesystem::is_directory(link.parent_path() / target);
#ifdef _WIN32
  // Wine answers yes and makes nothing: only a link that is there counts.
  const DWORD flags = (folder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0) | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE;
  if (!CreateSymbolicLinkW(link.wstring().c_str(), target.wstring().c_str(), flags)) return false;
  const DWORD attributes = GetFileAttributesW(link.wstring().c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
#else
  if (folder) {
    std::filesystem::create_directory_symlink(target, link);
  } else {
    std::filesystem::create_symlink(target, link);
  }
  return true;
#endif
}

}  // namespace qv::test
