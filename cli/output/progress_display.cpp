#include "cli/output/progress_display.h"

#include <algorithm>
#include <iostream>
#include <utility>

#include "platform/platform.h"

namespace qv::cli {

ProgressDisplay::ProgressDisplay(std::string label) : m_strLabel(std::move(label)) {
  if (m_strLabel.empty() || !Os().StandardErrorIsTerminal()) return;
  m_hWindow = Os().RegisterWindow(
      [this](std::uint32_t message, std::uint64_t wParam, std::int64_t) { OnMessage(message, wParam); });
}

ProgressDisplay::~ProgressDisplay() {
  if (m_hWindow != 0) Os().UnregisterWindow(m_hWindow);
  Clear();
}

void ProgressDisplay::OnMessage(std::uint32_t message, std::uint64_t wParam) {
  // 0 leaves the position as it was; a source that grew since it was measured can
  // report past 100, which a bar shows as full.
  if (message != WM_JOB_PROGRESS || wParam == 0) return;
  const std::uint64_t percent = std::min<std::uint64_t>(wParam, 100);
  if (m_bShown && percent == m_nShownPercent) return;
  m_nShownPercent = percent;
  m_bShown = true;
  std::cerr << '\r' << m_strLabel << ": " << percent << "%" << std::flush;
}

void ProgressDisplay::Clear() {
  if (!m_bShown) return;
  m_bShown = false;
  std::cerr << '\r' << std::string(m_strLabel.size() + 8, ' ') << '\r' << std::flush;
}

}  // namespace qv::cli
