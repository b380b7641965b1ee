// platform/linux/files/ owns everything done to files and folders on the native file system:
// open files and their share locks, folder listings, deletes, temporary files and renames.
//
// Open files behind FileHandle values: the CreateFileW family on file descriptors.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

#include "platform/linux/files/unique_fd.h"
#include "platform/win_types.h"

namespace qv {

class FileTable {
 public:
  FileTable() = default;
  ~FileTable();
  FileTable(const FileTable&) = delete;
  FileTable& operator=(const FileTable&) = delete;

  // The Platform::CreateFileW contract, on a native path. Only regular files
  // open: a folder, a pipe or a device would hang or mislead a reader.
  FileHandle Open(const std::string& nativePath, std::uint32_t access, std::uint32_t shareMode,
                  std::uint32_t disposition);
  bool Read(FileHandle file, void* buffer, std::uint32_t bytesToRead, std::uint32_t* bytesRead);
  bool Write(FileHandle file, const void* buffer, std::uint32_t bytesToWrite,
             std::uint32_t* bytesWritten);
  bool Seek(FileHandle file, std::int64_t distance, std::uint32_t origin,
            std::uint64_t* newPosition);
  bool Size(FileHandle file, std::uint64_t* size);
  bool Flush(FileHandle file);
  bool Close(FileHandle file);
  // Keeps a file just made (open for writing) for the Open that follows, which
  // then costs no second lookup of its path. Any other Open closes it.
  void KeepCreated(std::string nativePath, UniqueFd file);
  // Closes the kept file, whose path is about to go or change.
  void ForgetCreated();

 private:
  struct OpenFile {
    int fd = -1;
    std::string nativePath;
    std::uint64_t nUnflushed = 0;  // bytes written since a flush was last queued
    bool bFlushQueued = false;     // the flusher owes this file a flush, or runs it
    int nFlushError = 0;           // errno of a background flush that failed
    bool bSizeFixed = false;       // read-only, and no writer may share it
    std::uint64_t nSizeAtOpen = 0;
  };
  // A file that grows by kFlushChunk bytes is flushed by a background thread while
  // the job writes on, so that the flush before a rename finds little left. Making
  // data durable costs the disk about as long as writing it; done in pieces, that
  // time overlaps the job's own work instead of following it. Small files never
  // reach it.
  static constexpr std::uint64_t kFlushChunk = 4u * 1024 * 1024;
  void NoteWritten(FileHandle file, std::uint32_t count);
  void FlushInBackground();
  // Called with m_mutex held: returns once no background flush holds the file.
  void WaitForBackgroundFlush(std::unique_lock<std::mutex>& lock, FileHandle file);
  // The entry, or null with "invalid file handle"; with m_mutex held.
  OpenFile* FindLocked(FileHandle file);
  // Only the descriptor comes out, so the table's lock is not held during I/O and
  // a read costs no copy of the path; the path is looked up for messages alone.
  bool FindFd(FileHandle file, int* fd);
  std::string PathOf(FileHandle file);
  void ReportErrno(const char* what, FileHandle file);

  // The kept file's descriptor when `nativePath` is opened for writing alone; -1
  // otherwise. Either way nothing is kept any more.
  int TakeCreated(const std::string& nativePath, std::uint32_t access);

  std::mutex m_mutex;
  std::unordered_map<FileHandle, OpenFile> m_files;
  std::string m_strCreatedPath;
  UniqueFd m_created;
  std::deque<FileHandle> m_flushQueue;
  std::condition_variable m_flushWanted;
  std::condition_variable m_flushDone;
  bool m_bStopping = false;
  std::thread m_flusher;  // started by the first file that needs it
};

}  // namespace qv
