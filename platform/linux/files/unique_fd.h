// An owned file descriptor, closed when its owner goes out of scope. Close() is
// there for the descriptors whose close result matters: close() can report a
// delayed write error, which a destructor would have to swallow.
#pragma once

#include <unistd.h>

namespace qv {

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : m_hFd(fd) {}
  ~UniqueFd() {
    if (m_hFd >= 0) ::close(m_hFd);
  }
  UniqueFd(UniqueFd&& other) noexcept : m_hFd(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      if (m_hFd >= 0) ::close(m_hFd);
      m_hFd = other.Release();
    }
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int Get() const { return m_hFd; }
  bool Valid() const { return m_hFd >= 0; }
  int Release() {
    const int fd = m_hFd;
    m_hFd = -1;
    return fd;
  }
  // False when close() reported an error (or nothing was open).
  [[nodiscard]] bool Close() {
    const int fd = Release();
    return fd >= 0 && ::close(fd) == 0;
  }

 private:
  int m_hFd = -1;
};

}  // namespace qv
