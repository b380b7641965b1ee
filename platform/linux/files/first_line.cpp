#include "platform/linux/files/first_line.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/linux/files/unique_fd.h"
#include "platform/linux/os_error.h"
#include "platform/shared/first_line_chunk.h"
#include "platform/shared/last_error.h"

namespace qv {

bool ReadFirstLineOf(const std::string& nativePath, std::size_t maxBytes, std::string* line) {
  const std::string name = nativePath.empty() ? std::string("standard input") : nativePath;
  UniqueFd opened;
  if (!nativePath.empty()) {
    // Blocking: a FIFO is opened once its writer is there, which is what the user
    // who named it waits for.
    do {
      opened = UniqueFd(open(nativePath.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    } while (!opened.Valid() && errno == EINTR);
    if (!opened.Valid()) {
      SetLastErrorFromErrno("cannot open", nativePath, errno);
      return false;
    }
  }
  const int fd = nativePath.empty() ? STDIN_FILENO : opened.Get();
  struct stat info {};
  if (fstat(fd, &info) != 0) {
    SetLastErrorFromErrno("cannot look at", name, errno);
    return false;
  }
  if (S_ISDIR(info.st_mode)) {
    SetLastErrorText("cannot read " + name + ": it is a folder");
    return false;
  }
  // Read as a file, a terminal would take the typed password with echo on.
  if (isatty(fd) == 1) {
    SetLastErrorText("cannot read " + name + ": it is a terminal");
    return false;
  }
  // Never past the line feed's chunk nor past the bound: a stream may be endless.
  line->clear();
  char chunk[512];
  for (;;) {
    const std::size_t room = maxBytes + 1 - line->size();
    const ssize_t got = read(fd, chunk, std::min(sizeof chunk, room));
    if (got < 0) {
      if (errno == EINTR) continue;
      SetLastErrorFromErrno("cannot read", name, errno);
      return false;
    }
    const LineChunk taken = TakeLineChunk(line, chunk, static_cast<std::size_t>(got), maxBytes, name);
    if (taken != LineChunk::kMore) return taken == LineChunk::kDone;
  }
}

}  // namespace qv
