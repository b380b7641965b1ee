#include "platform/platform.h"

#include <atomic>
#include <memory>
#include <mutex>

#include "platform/linux/linux_platform.h"
#include "platform/text/text.h"

namespace qv {
namespace {

std::atomic<Platform*> g_installed{nullptr};

Platform& DefaultPlatform() {
  static std::once_flag once;
  static std::unique_ptr<Platform> platform;
  std::call_once(once, [] {
    LinuxPlatformOptions options;
    options.strProfileDir = ResolveProfileDir("");
    options.strClassesHive = DefaultClassesHive();
    platform = MakeLinuxPlatform(options);
  });
  return *platform;
}

}  // namespace

Platform& Os() {
  Platform* installed = g_installed.load(std::memory_order_acquire);
  return installed ? *installed : DefaultPlatform();
}

std::string ShownPath(std::u16string_view windowsPath) {
  std::string native = Os().ToNativePath(windowsPath);
  return native.empty() ? ToUtf8(windowsPath) : native;
}

ScopedPlatform::ScopedPlatform(Platform& platform)
    : m_pPrevious(g_installed.exchange(&platform, std::memory_order_acq_rel)) {}

ScopedPlatform::~ScopedPlatform() { g_installed.store(m_pPrevious, std::memory_order_release); }

}  // namespace qv
