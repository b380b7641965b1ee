// Registered windows and the posting of job messages to them.
#pragma once

#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/platform.h"

namespace qv {

class WindowRegistry {
 public:
  WindowHandle Register(Platform::MessageSink sink);
  void Unregister(WindowHandle window);
  // Runs the sink outside the registry's lock, so a sink may post or unregister
  // itself, and a window unregistered meanwhile still gets this one message safely.
  bool Post(WindowHandle window, std::uint32_t message, std::uint64_t wParam,
            std::int64_t lParam);

 private:
  std::mutex m_mutex;
  WindowHandle m_nNextWindow = 1;
  std::unordered_map<WindowHandle, std::shared_ptr<const Platform::MessageSink>> m_sinks;
};

}  // namespace qv
