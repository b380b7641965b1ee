// Shows a job's progress posts on standard error, redrawn in place, when standard
// error is a terminal; a pipe or a log file gets none of it. The line is cleared when
// the display goes, so a display scoped to the job call is gone when the job returns,
// whatever the job posts last.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win_types.h"

namespace qv::cli {

class ProgressDisplay {
 public:
  // An empty label shows nothing (--quiet).
  explicit ProgressDisplay(std::string label);
  ~ProgressDisplay();
  ProgressDisplay(const ProgressDisplay&) = delete;
  ProgressDisplay& operator=(const ProgressDisplay&) = delete;

  // The window to name in the job's options; 0 when nothing is shown.
  WindowHandle Window() const { return m_hWindow; }

 private:
  void OnMessage(std::uint32_t message, std::uint64_t wParam);
  void Clear();

  std::string m_strLabel;
  WindowHandle m_hWindow = 0;
  std::uint64_t m_nShownPercent = 0;
  bool m_bShown = false;
};

}  // namespace qv::cli
