// An owned file descriptor, closed when its owner goes out of scope. Close() is
// there for the descriptors whose close result matters: close() can report a
// delayed write error, which a destructor would have to swallow.
#pragma once

#include <unistd.h>

namespace qv {

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : m_nFd(fd) {}
  ~UniqueFd() {
    if (m_nFd >= 0) ::close(m_nFd);
  }
  UniqueFd(UniqueFd&& other) noexcept : m_nFd(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      if (m_nFd >= 0) ::close(m_nFd);
      m_nFd = other.Release();
    }
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int Get() const { return m_nFd; }
  bool Valid() const { return m_nFd >= 0; }
  int Release() {
    const int fd = m_nFd;
    m_nFd = -1;
    return fd;
  }
  // False when close() reported an error (or nothing was open).
  [[nodiscard]] bool Close() {
    const int fd = Release();
    return fd >= 0 && ::close(fd) == 0;
  }

 private:
  int m_nFd = -1;
};

}  // namespace qv
