#include "platform/shared/window_messages.h"

#include <utility>

#include "platform/shared/last_error.h"

namespace qv {

WindowHandle WindowRegistry::Register(Platform::MessageSink sink) {
  auto shared = std::make_shared<const Platform::MessageSink>(std::move(sink));
  std::lock_guard lock(m_mutex);
  const WindowHandle window = m_nNextWindow++;
  m_sinks.emplace(window, std::move(shared));
  return window;
}

void WindowRegistry::Unregister(WindowHandle window) {
  std::shared_ptr<const Platform::MessageSink> dropped;
  std::lock_guard lock(m_mutex);
  const auto found = m_sinks.find(window);
  if (found == m_sinks.end()) return;
  // Destroyed after the lock is released: a sink's captures may unregister too.
  dropped = std::move(found->second);
  m_sinks.erase(found);
}

bool WindowRegistry::Post(WindowHandle window, std::uint32_t message, std::uint64_t wParam,
                          std::int64_t lParam) {
  std::shared_ptr<const Platform::MessageSink> sink;
  {
    std::lock_guard lock(m_mutex);
    const auto found = m_sinks.find(window);
    if (found != m_sinks.end()) sink = found->second;
  }
  if (!sink || !*sink) {
    SetLastErrorText("no window " + std::to_string(window) + " is registered");
    return false;
  }
  (*sink)(message, wParam, lParam);
  return true;
}

}  // namespace qv
