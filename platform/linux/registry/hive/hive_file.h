// platform/linux/registry/hive/ owns hive files as bytes and as libhivex sees them: the
// byte layout our own code reads and writes (hive_layout.h), the base block, key
// indexes, value limits, the empty hive and libhivex's errors.
//
// The read side of one hive file: a libhivex handle kept open between calls and
// reopened when the file on disk changes (after our own commit, or anybody's), with
// the keys looked at so far indexed by name.
#pragma once

#include <hivex.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "platform/linux/registry/hive/hive_handle.h"
#include "platform/linux/registry/hive/hive_header.h"
#include "platform/linux/registry/hive/hive_node_index.h"
#include "platform/linux/registry/registry_key_path.h"
#include "platform/win_types.h"

namespace qv {

// Why a file of this mode cannot be a hive ("... is a FIFO, not a hive file"), or
// empty for a regular file. Opening a FIFO waits for a writer and reading a
// device may never end, so anything but a regular file is refused unopened.
std::string HiveFileKindProblem(const std::string& path, unsigned mode);

class HiveFile {
 public:
  explicit HiveFile(std::string path);
  ~HiveFile();
  HiveFile(const HiveFile&) = delete;
  HiveFile& operator=(const HiveFile&) = delete;

  const std::string& Path() const { return m_strPath; }

  // Looks at the file again. kErrorSuccess when it is readable or missing (a
  // missing hive reads as empty); otherwise an error code with LastErrorText set.
  RegResult Refresh();
  bool IsMissing() const { return m_bMissing; }
  // Of the file as last refreshed; meaningful when it is not missing.
  const HiveHeader& Header() const { return m_header; }
  // Changes whenever what Refresh reads changes.
  std::uint64_t Generation() const { return m_nGeneration; }

  // After Refresh succeeded on an existing file: 0 when the key is absent, or when
  // a key on the way cannot be listed (*unreadable set then: a damaged hive).
  hive_node_h FindKey(const KeyPath& path, bool* unreadable = nullptr);
  // Null when the key's lists cannot be read.
  const HiveNodeIndex* Index(hive_node_h node);
  hive_h* Handle() const { return m_pHive.get(); }

  // Forgets the open view, so the next Refresh reopens the file.
  void Invalidate();

 private:
  struct FileIdentity {
    std::uint64_t nDevice = 0, nInode = 0, nSize = 0, nModifiedNs = 0;
    bool operator==(const FileIdentity&) const = default;
  };

  RegResult Open(const FileIdentity& identity);

  std::string m_strPath;
  HiveHandle m_pHive;
  std::map<hive_node_h, HiveNodeIndex> m_indexes;
  HiveHeader m_header;
  FileIdentity m_identity;
  bool m_bLooked = false;
  bool m_bMissing = true;
  RegResult m_nOpenResult = kErrorSuccess;
  std::string m_strOpenError;
  std::uint64_t m_nGeneration = 1;
};

}  // namespace qv
