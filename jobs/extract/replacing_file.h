// A file written beside its target under a temporary name (.quorvel-*.tmp) and
// renamed over the target only once complete, as a restore writes a favorite: a
// job that fails or stops leaves the target as it was and no temporary file.
#pragma once

#include <string>
#include <string_view>

#include "platform/status.h"
#include "platform/unique_handles.h"

namespace qv {

class ReplacingFile {
 public:
  // `ownerOnly`: written from a protected archive, so that a new file is readable
  // by its owner only (a replaced one keeps the access it had).
  ReplacingFile(std::u16string targetPath, bool ownerOnly);  // Windows form
  ~ReplacingFile();  // discards what was not committed
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  // The temporary file is made at the first call.
  [[nodiscard]] Status Append(std::string_view bytes);
  // Flushes it to the disk and renames it over the target.
  [[nodiscard]] Status Commit();
  void Discard();

  bool Started() const { return !m_strTempPath.empty(); }
  bool TargetExisted() const { return m_bTargetExisted; }
  const std::u16string& TargetPath() const { return m_strTargetPath; }

 private:
  Status Open();

  std::u16string m_strTargetPath;
  std::u16string m_strTempPath;
  UniqueFile m_file;
  bool m_bOwnerOnly;
  bool m_bTargetExisted = false;
};

}  // namespace qv
