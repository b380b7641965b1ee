// Opens one favorite for the store writer and hands out its content piece by piece.
#pragma once

#include <cstdint>
#include <string>

#include "platform/unique_handles.h"
#include "store/records.h"

namespace qv {

class FileReader {
 public:
  FileReader() = default;
  ~FileReader() { Close(); }
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;

  // True when the file is open for reading. The head then holds the folder in its
  // stored form (%USERPROFILE%\...). A folder node (no name) is not a source.
  [[nodiscard]] bool Open(const FileItem& item);
  std::uint64_t Size() const { return m_nSize; }
  const FileItem& Head() const { return m_head; }
  // Up to kBlockSize bytes into `buffer`; 0 at the end or on failure.
  std::uint32_t Read(std::uint8_t* buffer);
  bool ReadFailed() const { return m_bReadFailed; }
  void Close();
  // Why the last Open failed; empty when the item is not a file at all.
  const std::string& SkipReason() const { return m_strSkipReason; }

  static std::string Describe(const FileItem& item);

 private:
  // The folder as the record stores it (%USERPROFILE%\...); false, with the
  // reason in m_strSkipReason, when that form does not fit its field.
  bool StoredFolder(const TextField& field, const std::u16string& folder, TextField* stored);

  std::u16string m_strFullPath;
  std::uint64_t m_nSize = 0;
  std::uint64_t m_nRead = 0;
  bool m_bAtEnd = false;
  bool m_bSizeKnown = false;
  UniqueFile m_file;
  FileItem m_head;
  bool m_bReadFailed = false;
  std::string m_strSkipReason;
  bool m_bStoredFolderKnown = false;
  TextField m_lastFolder{};
  TextField m_lastStoredFolder{};
  std::string m_strStoredFolderProblem;
};

}  // namespace qv
