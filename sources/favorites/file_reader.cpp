#include "sources/favorites/file_reader.h"

#include "platform/platform.h"
#include "platform/text/text.h"
#include "sources/favorites/file_node.h"

namespace qv {

bool FileReader::Open(const FileItem& item) {
  Close();
  m_nSize = 0;
  m_nRead = 0;
  m_bAtEnd = false;
  m_bSizeKnown = false;
  m_bReadFailed = false;
  m_strSkipReason.clear();
  const std::u16string folder = TextFieldValue(item.folder);
  const std::u16string name = TextFieldValue(item.name);
  if (name.empty()) return false;  // a folder node: folders never become records

  m_strFullPath = FileNode::Join(folder, name);
  if (m_strFullPath.size() > kMaxPathUnits) {
    m_strSkipReason = "the path is longer than 259 characters";
    return false;
  }
  // Open-existing, not open-always: a backup must not create a file that vanished
  // since the listing, nor the target of a dangling link, possibly outside Favorites.
  m_file = UniqueFile(Os().CreateFileW(m_strFullPath, kGenericRead, kFileShareRead, kOpenExisting));
  if (!m_file.Valid()) {
    m_strSkipReason = Os().LastErrorText();
    return false;
  }
  m_bSizeKnown = Os().GetFileSize(m_file.Get(), &m_nSize);
  if (!m_bSizeKnown) m_nSize = 0;

  m_head = item;
  if (!StoredFolder(item.folder, folder, &m_head.folder)) {
    Close();
    m_nSize = 0;
    return false;
  }
  return true;
}

bool FileReader::StoredFolder(const TextField& field, const std::u16string& folder, TextField* stored) {
  // A folder's favorites come one after another: its stored form is worked out once.
  if (!m_bStoredFolderKnown || m_lastFolder != field) {
    m_lastFolder = field;
    m_lastStoredFolder = field;
    m_strStoredFolderProblem.clear();
    std::u16string unexpanded;
    if (Os().PathUnExpandEnvStringsW(folder, &unexpanded) && !SetTextField(m_lastStoredFolder, unexpanded)) {
      // %USERPROFILE% can be longer than the folder it stands for.
      m_strStoredFolderProblem = "the stored folder " + ToUtf8(unexpanded) + " is longer than 259 characters";
    }
    m_bStoredFolderKnown = true;
  }
  if (!m_strStoredFolderProblem.empty()) {
    m_strSkipReason = m_strStoredFolderProblem;
    return false;
  }
  *stored = m_lastStoredFolder;
  return true;
}

std::uint32_t FileReader::Read(std::uint8_t* buffer) {
  if (!m_file.Valid() || m_bAtEnd) return 0;
  std::uint32_t count = 0;
  if (!Os().ReadFile(m_file.Get(), buffer, kBlockSize, &count)) {
    m_bReadFailed = true;
    return 0;
  }
  m_nRead += count;
  // A short read that reaches the size seen at open is the end: asking again would
  // cost every small favorite a second call that returns nothing. A short read
  // before that size (some network and user-space file systems give them) reads on.
  m_bAtEnd = count == 0 || (m_bSizeKnown && count < kBlockSize && m_nRead >= m_nSize);
  return count;
}

void FileReader::Close() {
  (void)m_file.Close();  // read-only: nothing can be lost at close
}

std::string FileReader::Describe(const FileItem& item) {
  return ShownPath(FileNode::Join(TextFieldValue(item.folder), TextFieldValue(item.name)));
}

}  // namespace qv
