// Open files behind the platform's file handles: CreateFileW with Windows' own
// share modes, which hold between every opener of the file, of this process and
// others.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/win32/files/handle_table.h"
#include "platform/win_types.h"

namespace qv {

class FileTable {
 public:
  FileTable() = default;
  ~FileTable();  // closes what is still open, as a process's end does
  FileTable(const FileTable&) = delete;
  FileTable& operator=(const FileTable&) = delete;

  FileHandle Open(std::u16string_view path, std::uint32_t access, std::uint32_t shareMode,
                  std::uint32_t disposition);
  bool Read(FileHandle file, void* buffer, std::uint32_t bytesToRead, std::uint32_t* bytesRead);
  bool Write(FileHandle file, const void* buffer, std::uint32_t bytesToWrite, std::uint32_t* bytesWritten);
  bool Seek(FileHandle file, std::int64_t distance, std::uint32_t origin, std::uint64_t* newPosition);
  bool Size(FileHandle file, std::uint64_t* size);
  bool Flush(FileHandle file);
  bool Close(FileHandle file);

 private:
  struct OpenFile {
    void* hFile;  // a Windows HANDLE
    std::string strPath;  // for messages
  };
  OpenFile* Find(FileHandle file);

  HandleTable<OpenFile> m_files;
};

}  // namespace qv
