#include "platform/linux/registry/hive/hive_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/shared/last_error.h"
#include "platform/linux/registry/hive/hivex_errors.h"

namespace qv {

std::string HiveFileKindProblem(const std::string& path, unsigned mode) {
  if (S_ISREG(mode)) return {};
  const char* kind = S_ISDIR(mode)    ? "a folder"
                     : S_ISFIFO(mode) ? "a FIFO"
                     : S_ISSOCK(mode) ? "a socket"
                     : (S_ISCHR(mode) || S_ISBLK(mode)) ? "a device"
                                                      : "not a regular file";
  return path + " is " + kind + ", not a hive file; it is left unopened";
}

HiveFile::HiveFile(std::string path) : m_strPath(std::move(path)) {}

HiveFile::~HiveFile() = default;

void HiveFile::Invalidate() {
  m_pHive.reset();
  m_indexes.clear();
  m_bLooked = false;
  ++m_nGeneration;
}

RegResult HiveFile::Refresh() {
  struct stat info {};
  if (::stat(m_strPath.c_str(), &info) != 0) {
    const int error = errno;
    if (error == ENOENT) {
      if (!m_bLooked || !m_bMissing) {
        Invalidate();
        m_bLooked = true;
        m_bMissing = true;
        m_nOpenResult = kErrorSuccess;
      }
      return kErrorSuccess;
    }
    SetLastErrorText("cannot look at " + m_strPath + ": " + std::strerror(error));
    return error == EACCES ? kErrorAccessDenied : kErrorRegistryIo;
  }
  // Links are followed: a hive kept elsewhere and linked into the profile is read.
  if (std::string problem = HiveFileKindProblem(m_strPath, info.st_mode); !problem.empty()) {
    Invalidate();
    SetLastErrorText(std::move(problem));
    return kErrorBadDb;
  }
  const FileIdentity identity{static_cast<std::uint64_t>(info.st_dev),
                              static_cast<std::uint64_t>(info.st_ino),
                              static_cast<std::uint64_t>(info.st_size),
                              static_cast<std::uint64_t>(info.st_mtim.tv_sec) * 1000000000ull +
                                  static_cast<std::uint64_t>(info.st_mtim.tv_nsec)};
  if (!m_bLooked || m_bMissing || !(identity == m_identity)) {
    Invalidate();
    m_nOpenResult = Open(identity);
  }
  if (m_nOpenResult != kErrorSuccess) SetLastErrorText(m_strOpenError);
  return m_nOpenResult;
}

RegResult HiveFile::Open(const FileIdentity& identity) {
  m_bLooked = true;
  m_bMissing = false;
  m_identity = identity;
  const Status header = ReadHiveHeader(m_strPath, &m_header);
  if (!header.ok()) {
    m_strOpenError = header.message();
    return kErrorBadDb;
  }
  errno = 0;
  m_pHive.reset(hivex_open(m_strPath.c_str(), 0));
  if (!m_pHive) {
    const int error = errno;
    m_strOpenError = "cannot open the hive " + m_strPath + ": " + DescribeHivexError(error);
    return error == EACCES ? kErrorAccessDenied : kErrorBadDb;
  }
  return kErrorSuccess;
}

const HiveNodeIndex* HiveFile::Index(hive_node_h node) {
  if (!m_pHive || node == 0) return nullptr;
  auto found = m_indexes.find(node);
  if (found == m_indexes.end()) {
    HiveNodeIndex index;
    if (!index.Build(m_pHive.get(), node)) return nullptr;
    found = m_indexes.emplace(node, std::move(index)).first;
  }
  return &found->second;
}

hive_node_h HiveFile::FindKey(const KeyPath& path, bool* unreadable) {
  if (unreadable) *unreadable = false;
  if (!m_pHive) return 0;
  hive_node_h node = hivex_root(m_pHive.get());
  for (const std::u16string& name : path) {
    const HiveNodeIndex* index = Index(node);
    if (index == nullptr) {
      if (unreadable) *unreadable = true;
      return 0;
    }
    node = index->FindChild(name);
    if (node == 0) return 0;
  }
  return node;
}

}  // namespace qv
