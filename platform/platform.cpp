#include "platform/platform.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "platform/text/text.h"

namespace qv {
namespace {

std::atomic<Platform*> g_installed{nullptr};

}  // namespace

Platform& Os() {
  Platform* installed = g_installed.load(std::memory_order_acquire);
  if (installed == nullptr) {
    // Guessing a platform here would point a test or a new front end at somebody's
    // real profile; stopping at once shows the missing installation instead.
    std::fputs("quorvel: no platform is installed; the program or test must install one "
               "(ScopedPlatform) before the engine runs\n",
               stderr);
    std::abort();
  }
  return *installed;
}

std::string ShownPath(std::u16string_view windowsPath) {
  std::string native = Os().ToNativePath(windowsPath);
  return native.empty() ? ToUtf8(windowsPath) : native;
}

ScopedPlatform::ScopedPlatform(Platform& platform)
    : m_pPrevious(g_installed.exchange(&platform, std::memory_order_acq_rel)) {}

ScopedPlatform::~ScopedPlatform() { g_installed.store(m_pPrevious, std::memory_order_release); }

}  // namespace qv
