// Loaded into a qvl under test with LD_PRELOAD: QUORVEL_KILL_AT=CALL:N kills the
// process with SIGKILL just before its Nth call of CALL (rename, syncfs, fsync or
// write), as a power cut or an OOM kill would, at a point the test chooses.
#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {

std::atomic<long> g_calls{0};

// Counts this call of `name`; dies when it is the chosen one.
void MaybeDie(const char* name) {
  static const char* chosen = std::getenv("QUORVEL_KILL_AT");
  if (chosen == nullptr) return;
  const char* colon = std::strchr(chosen, ':');
  if (colon == nullptr || std::strncmp(chosen, name, static_cast<std::size_t>(colon - chosen)) != 0 ||
      std::strlen(name) != static_cast<std::size_t>(colon - chosen)) {
    return;
  }
  if (g_calls.fetch_add(1) + 1 == std::atol(colon + 1)) ::kill(::getpid(), SIGKILL);
}

template <class Function>
Function Next(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" {

int rename(const char* from, const char* to) {
  MaybeDie("rename");
  static auto next = Next<int (*)(const char*, const char*)>("rename");
  return next(from, to);
}

int syncfs(int fd) {
  MaybeDie("syncfs");
  static auto next = Next<int (*)(int)>("syncfs");
  return next(fd);
}

int fsync(int fd) {
  MaybeDie("fsync");
  static auto next = Next<int (*)(int)>("fsync");
  return next(fd);
}

ssize_t write(int fd, const void* buffer, size_t size) {
  MaybeDie("write");
  static auto next = Next<ssize_t (*)(int, const void*, size_t)>("write");
  return next(fd, buffer, size);
}

}  // extern "C"
