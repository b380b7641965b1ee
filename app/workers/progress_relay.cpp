#include "app/workers/progress_relay.h"

#include "platform/platform.h"

namespace qv::app {

ProgressRelay::ProgressRelay(WindowHandle hWindow) {
  m_hRelay = Os().RegisterWindow([hWindow](std::uint32_t nMessage, std::uint64_t nWParam, std::int64_t nLParam) {
    if (nMessage == WM_JOB_DONE) return;
    // A window that is gone has nobody left to show progress to.
    (void)Os().PostMessageW(hWindow, nMessage, nWParam, nLParam);
  });
}

ProgressRelay::~ProgressRelay() { Os().UnregisterWindow(m_hRelay); }

}  // namespace qv::app
