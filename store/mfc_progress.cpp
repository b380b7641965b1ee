#include "store/mfc_progress.h"

#include "platform/platform.h"

namespace qv {

void MFCProgress::Post(std::uint64_t wParam, std::int64_t lParam) const {
  if (m_hNotifyWnd == 0) return;
  // A window that has gone away cannot show progress; the job goes on regardless.
  (void)Os().PostMessageW(m_hNotifyWnd, m_nMessage, wParam, lParam);
}

}  // namespace qv
