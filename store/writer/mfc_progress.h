// The store's progress policy: posts job progress to the notify window.
#pragma once

#include <cstdint>

#include "platform/win_types.h"

namespace qv {

class MFCProgress {
 public:
  void SetTarget(WindowHandle window, std::uint32_t message) {
    m_hNotifyWnd = window;
    m_nMessage = message;
  }
  // wParam: new bar position (0 = unchanged); lParam: new range end (0 = unchanged).
  // Nothing is posted while no window is set.
  void Post(std::uint64_t wParam, std::int64_t lParam) const;

 private:
  WindowHandle m_hNotifyWnd = 0;
  std::uint32_t m_nMessage = 0;
};

}  // namespace qv
