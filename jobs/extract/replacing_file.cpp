#include "jobs/extract/replacing_file.h"

#include <algorithm>
#include <utility>

#include "platform/platform.h"

namespace qv {

ReplacingFile::ReplacingFile(std::u16string targetPath, bool ownerOnly)
    : m_strTargetPath(std::move(targetPath)), m_bOwnerOnly(ownerOnly) {}

ReplacingFile::~ReplacingFile() { Discard(); }

Status ReplacingFile::Open() {
  const std::size_t separator = m_strTargetPath.find_last_of(u"\\/");
  if (separator == std::u16string::npos) return Status::Error("the file's path names no folder");
  // "Z:\x" lies in the root "Z:\", not in "Z:".
  const std::u16string folder = m_strTargetPath.substr(0, separator == 2 ? 3 : separator);
  m_bTargetExisted = Os().PathFileExistsW(m_strTargetPath);
  if (!Os().GetTempFileNameW(folder, &m_strTempPath, m_bOwnerOnly)) {
    m_strTempPath.clear();
    return Status::Error(Os().LastErrorText());
  }
  m_file = UniqueFile(Os().CreateFileW(m_strTempPath, kGenericWrite, kFileShareNone, kCreateAlways));
  if (!m_file.Valid()) {
    Status failed = Status::Error("cannot open the temporary file: " + Os().LastErrorText());
    Discard();
    return failed;
  }
  return Status::Ok();
}

Status ReplacingFile::Append(std::string_view bytes) {
  if (!Started()) {
    if (Status opened = Open(); !opened.ok()) return opened;
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    const auto chunk = static_cast<std::uint32_t>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    std::uint32_t written = 0;
    if (!Os().WriteFile(m_file.Get(), bytes.data() + done, chunk, &written) || written == 0) {
      return Status::Error("cannot write: " + Os().LastErrorText());
    }
    done += written;
  }
  return Status::Ok();
}

Status ReplacingFile::Commit() {
  if (!Started()) {
    if (Status opened = Open(); !opened.ok()) return opened;
  }
  if (!Os().FlushFileBuffers(m_file.Get())) return Status::Error("cannot flush to the disk: " + Os().LastErrorText());
  if (!m_file.Close()) return Status::Error("cannot close: " + Os().LastErrorText());
  if (!Os().MoveFileExW(m_strTempPath, m_strTargetPath)) {
    return Status::Error("cannot put the file in place: " + Os().LastErrorText());
  }
  m_strTempPath.clear();
  return Status::Ok();
}

void ReplacingFile::Discard() {
  // A failed close of a file about to be deleted changes nothing.
  (void)m_file.Close();
  if (!m_strTempPath.empty()) {
    (void)Os().DeleteFileW(m_strTempPath);  // best effort: the target is untouched either way
    m_strTempPath.clear();
  }
}

}  // namespace qv
