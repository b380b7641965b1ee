// The temporary file a commit writes next to the hive, and the rename that makes
// it the hive. Until that rename the hive file is never touched, so a failure or a
// crash at any earlier point leaves the previous hive as it was.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/linux/files/temp_files.h"
#include "platform/status.h"

namespace qv {

class HiveTempFile {
 public:
  HiveTempFile() = default;
  ~HiveTempFile();  // removes the file unless it replaced the target
  HiveTempFile(const HiveTempFile&) = delete;
  HiveTempFile& operator=(const HiveTempFile&) = delete;

  // Creates one of our temporary files, owner-only, in the target's folder (the
  // same file system, so the rename is atomic). It takes the target's permissions
  // only in Sync: a read-only mode given earlier would stop libhivex writing into it.
  Status Create(const std::string& targetPath);
  const std::string& Path() const { return m_strPath; }

  Status Write(const std::vector<std::uint8_t>& bytes);
  // Gives the file the target's permissions and owner (when the target existed at
  // Create, as far as this process may give them), then forces what libhivex (or
  // Write) put in it to the disk.
  Status Sync();
  // Renames the file over the target, then syncs the folder so the rename itself
  // survives a power loss; a failed sync is reported too.
  Status Replace(const std::string& targetPath);

 private:
  std::string m_strPath;
  bool m_bOwned = false;
  ReplacedAccess m_targetAccess;
};

// Whether a commit may put a new file in place of targetPath: an existing target
// must be writable (a read-only hive is somebody's choice), and its folder, or the
// nearest existing one above it when the commit is to create the rest, must take
// new files.
Status CheckCanReplace(const std::string& targetPath);

}  // namespace qv
