#include "platform/linux/files/file_table.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/shared/last_error.h"
#include "platform/linux/os_error.h"
#include "platform/linux/files/handle_values.h"
#include "platform/linux/files/share_locks.h"

namespace qv {
namespace {

constexpr std::uint32_t kKnownAccess = kGenericRead | kGenericWrite;

bool ValidOpenArguments(std::uint32_t access, std::uint32_t shareMode, std::uint32_t disposition,
                        const std::string& nativePath) {
  if (access == 0 || (access & ~kKnownAccess) != 0) {
    SetLastErrorText("cannot open " + nativePath + ": unsupported access flags");
    return false;
  }
  const bool readerSharingAll =
      access == kGenericRead && shareMode == (kFileShareRead | kFileShareWrite);
  if ((shareMode & ~kFileShareRead) != 0 && !readerSharingAll) {
    SetLastErrorText("cannot open " + nativePath + ": unsupported share mode");
    return false;
  }
  if (disposition != kOpenExisting && disposition != kOpenAlways && disposition != kCreateAlways) {
    SetLastErrorText("cannot open " + nativePath + ": unsupported disposition");
    return false;
  }
  return true;
}

int OpenFlags(std::uint32_t access, std::uint32_t disposition) {
  // O_NONBLOCK keeps a pipe from blocking the open; it is dropped again once the
  // file is known to be regular. Truncation waits until the share lock is held.
  int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  if (access == kKnownAccess) {
    flags |= O_RDWR;
  } else {
    flags |= (access == kGenericWrite) ? O_WRONLY : O_RDONLY;
  }
  if (disposition != kOpenExisting) flags |= O_CREAT;
  return flags;
}

int OpenRetrying(const std::string& nativePath, int flags) {
  for (;;) {
    const int fd = open(nativePath.c_str(), flags, 0666);
    if (fd >= 0 || errno != EINTR) return fd;
  }
}

bool MakeUsableAsRegularFile(int fd, const std::string& nativePath, std::uint64_t* size) {
  struct stat info {};
  if (fstat(fd, &info) != 0) {
    SetLastErrorFromErrno("cannot look at", nativePath, errno);
    return false;
  }
  if (S_ISDIR(info.st_mode)) {
    SetLastErrorText("cannot open " + nativePath + " as a file: it is a folder");
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    SetLastErrorText("cannot open " + nativePath + ": it is not a regular file");
    return false;
  }
  // The O_NONBLOCK that kept a pipe from hanging the open may stay: on a regular
  // file it changes nothing.
  *size = static_cast<std::uint64_t>(info.st_size);
  return true;
}

}  // namespace

FileTable::~FileTable() {
  {
    std::lock_guard lock(m_mutex);
    m_bStopping = true;
  }
  m_flushWanted.notify_all();
  if (m_flusher.joinable()) m_flusher.join();
  for (auto& [handle, entry] : m_files) close(entry.fd);
}

FileHandle FileTable::Open(const std::string& nativePath, std::uint32_t access,
                           std::uint32_t shareMode, std::uint32_t disposition) {
  if (!ValidOpenArguments(access, shareMode, disposition, nativePath)) return kInvalidHandle;
  int fd = TakeCreated(nativePath, access);
  // Made empty by this process a moment ago, under a name nobody else uses: its
  // kind and size need no second look.
  const bool justCreated = fd >= 0;
  if (fd < 0) fd = OpenRetrying(nativePath, OpenFlags(access, disposition));
  if (fd < 0) {
    if (errno == EISDIR) {
      SetLastErrorText("cannot open " + nativePath + " as a file: it is a folder");
    } else {
      SetLastErrorFromErrno("cannot open", nativePath, errno);
    }
    return kInvalidHandle;
  }
  // The size is taken under the lock, so that it holds for the truncation below.
  std::uint64_t size = 0;
  bool ready = TakeShareLock(fd, ShareLockFor(access, shareMode), (access & kGenericWrite) != 0, nativePath) &&
               (justCreated || MakeUsableAsRegularFile(fd, nativePath, &size));
  // An empty file is left alone: ext4 takes any truncation, even to the size a
  // file already has, as a sign that it is being replaced, and writes it out at
  // close, one request per file, which would make every restored favorite wait.
  if (ready && disposition == kCreateAlways && size != 0 && ftruncate(fd, 0) != 0) {
    SetLastErrorFromErrno("cannot truncate", nativePath, errno);
    ready = false;
  }
  if (!ready) {
    close(fd);
    return kInvalidHandle;
  }
  const FileHandle handle = NextHandleValue();
  std::lock_guard lock(m_mutex);
  OpenFile& opened = m_files.emplace(handle, OpenFile{fd, nativePath}).first->second;
  // Nobody may write the file while this handle keeps writers out, so its size is
  // the one seen at open, as on Windows; a backup then asks no second time.
  opened.bSizeFixed = (access & kGenericWrite) == 0 && (shareMode & kFileShareWrite) == 0;
  opened.nSizeAtOpen = size;
  return handle;
}

void FileTable::KeepCreated(std::string nativePath, UniqueFd file) {
  std::lock_guard lock(m_mutex);
  m_strCreatedPath = std::move(nativePath);
  m_created = std::move(file);
}

void FileTable::ForgetCreated() {
  std::lock_guard lock(m_mutex);
  m_created = UniqueFd();
}

int FileTable::TakeCreated(const std::string& nativePath, std::uint32_t access) {
  std::lock_guard lock(m_mutex);
  if (!m_created.Valid()) return -1;
  UniqueFd created = std::move(m_created);
  // The descriptor is write-only: a reader gets one of its own.
  if (access != kGenericWrite || m_strCreatedPath != nativePath) return -1;
  return created.Release();
}

FileTable::OpenFile* FileTable::FindLocked(FileHandle file) {
  const auto found = m_files.find(file);
  if (found != m_files.end()) return &found->second;
  SetLastErrorText("invalid file handle " + std::to_string(file));
  return nullptr;
}

bool FileTable::FindFd(FileHandle file, int* fd) {
  std::lock_guard lock(m_mutex);
  const OpenFile* opened = FindLocked(file);
  if (opened) *fd = opened->fd;
  return opened != nullptr;
}

void FileTable::ReportErrno(const char* what, FileHandle file) {
  const int error = errno;  // taken first: the lookup below may change errno
  SetLastErrorFromErrno(what, PathOf(file), error);
}

std::string FileTable::PathOf(FileHandle file) {
  std::lock_guard lock(m_mutex);
  const auto found = m_files.find(file);
  return found == m_files.end() ? std::string("a closed file") : found->second.nativePath;
}

bool FileTable::Read(FileHandle file, void* buffer, std::uint32_t bytesToRead,
                     std::uint32_t* bytesRead) {
  *bytesRead = 0;
  int fd = -1;
  if (!FindFd(file, &fd)) return false;
  // One read, as ReadFile gives: a regular file returns less than asked only at
  // its end, and asking again there would only cost a call that returns nothing.
  for (;;) {
    const ssize_t got = read(fd, buffer, bytesToRead);
    if (got >= 0) {
      *bytesRead = static_cast<std::uint32_t>(got);
      return true;
    }
    if (errno == EINTR) continue;
    ReportErrno("cannot read", file);
    return false;
  }
}

bool FileTable::Write(FileHandle file, const void* buffer, std::uint32_t bytesToWrite,
                      std::uint32_t* bytesWritten) {
  *bytesWritten = 0;
  int fd = -1;
  if (!FindFd(file, &fd)) return false;
  const auto* bytes = static_cast<const char*>(buffer);
  std::uint32_t done = 0;
  while (done < bytesToWrite) {
    const ssize_t put = write(fd, bytes + done, bytesToWrite - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      ReportErrno("cannot write", file);
      *bytesWritten = done;
      return false;
    }
    done += static_cast<std::uint32_t>(put);
  }
  *bytesWritten = done;
  NoteWritten(file, done);
  return true;
}

void FileTable::NoteWritten(FileHandle file, std::uint32_t count) {
  std::lock_guard lock(m_mutex);
  const auto found = m_files.find(file);
  if (found == m_files.end()) return;
  OpenFile& entry = found->second;
  entry.nUnflushed += count;
  if (entry.nUnflushed < kFlushChunk || entry.bFlushQueued) return;
  entry.nUnflushed = 0;
  entry.bFlushQueued = true;
  m_flushQueue.push_back(file);
  if (!m_flusher.joinable()) {
    // Signals stay with the threads that handle them: the flusher blocks them all.
    sigset_t all, before;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &before);
    m_flusher = std::thread([this] { FlushInBackground(); });
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
  }
  m_flushWanted.notify_one();
}

void FileTable::FlushInBackground() {
  std::unique_lock lock(m_mutex);
  for (;;) {
    m_flushWanted.wait(lock, [this] { return m_bStopping || !m_flushQueue.empty(); });
    if (m_flushQueue.empty()) return;
    const FileHandle file = m_flushQueue.front();
    m_flushQueue.pop_front();
    // Close and Flush wait while bFlushQueued is set, so the entry and its
    // descriptor outlive the unlocked call.
    OpenFile& entry = m_files.at(file);
    const int fd = entry.fd;
    lock.unlock();
    const int error = fdatasync(fd) == 0 ? 0 : errno;
    lock.lock();
    entry.bFlushQueued = false;
    // The kernel reports a write error to one flush only; if that was ours, the
    // writer's own Flush must still fail.
    if (error != 0 && entry.nFlushError == 0) entry.nFlushError = error;
    m_flushDone.notify_all();
  }
}

void FileTable::WaitForBackgroundFlush(std::unique_lock<std::mutex>& lock, FileHandle file) {
  m_flushDone.wait(lock, [&] {
    const auto found = m_files.find(file);
    return found == m_files.end() || !found->second.bFlushQueued;
  });
}

bool FileTable::Seek(FileHandle file, std::int64_t distance, std::uint32_t origin,
                     std::uint64_t* newPosition) {
  int fd = -1;
  if (!FindFd(file, &fd)) return false;
  int whence = SEEK_SET;
  if (origin == kFileCurrent) {
    whence = SEEK_CUR;
  } else if (origin == kFileEnd) {
    whence = SEEK_END;
  } else if (origin != kFileBegin) {
    SetLastErrorText("cannot move in " + PathOf(file) + ": unknown origin");
    return false;
  }
  const off_t position = lseek(fd, static_cast<off_t>(distance), whence);
  if (position < 0) {
    ReportErrno("cannot move in", file);
    return false;
  }
  if (newPosition) *newPosition = static_cast<std::uint64_t>(position);
  return true;
}

bool FileTable::Size(FileHandle file, std::uint64_t* size) {
  int fd = -1;
  {
    std::lock_guard lock(m_mutex);
    const OpenFile* opened = FindLocked(file);
    if (!opened) return false;
    if (opened->bSizeFixed) {
      *size = opened->nSizeAtOpen;
      return true;
    }
    fd = opened->fd;
  }
  struct stat info {};
  if (fstat(fd, &info) != 0) {
    ReportErrno("cannot look at", file);
    return false;
  }
  *size = static_cast<std::uint64_t>(info.st_size);
  return true;
}

bool FileTable::Flush(FileHandle file) {
  int fd = -1;
  {
    std::unique_lock lock(m_mutex);
    WaitForBackgroundFlush(lock, file);
    const OpenFile* opened = FindLocked(file);
    if (!opened) return false;
    fd = opened->fd;
  }
  if (fsync(fd) != 0) {
    ReportErrno("cannot flush", file);
    return false;
  }
  int backgroundError = 0;
  {
    std::lock_guard lock(m_mutex);
    const auto found = m_files.find(file);
    if (found != m_files.end()) backgroundError = found->second.nFlushError;
  }
  if (backgroundError != 0) {
    SetLastErrorFromErrno("cannot flush", PathOf(file), backgroundError);
    return false;
  }
  return true;
}

bool FileTable::Close(FileHandle file) {
  OpenFile entry;
  {
    std::unique_lock lock(m_mutex);
    WaitForBackgroundFlush(lock, file);
    OpenFile* opened = FindLocked(file);
    if (!opened) return false;
    entry = std::move(*opened);
    m_files.erase(file);
  }
  // After close() the descriptor is gone whatever it returns (even EINTR on
  // Linux); an error here can only mean data lost in writeback, which is worth
  // reporting to a writer.
  if (close(entry.fd) != 0) {
    SetLastErrorFromErrno("error closing", entry.nativePath, errno);
    return false;
  }
  return true;
}

}  // namespace qv
