// Stands between a running job and the window: the job's progress goes on to the
// window, the job's own WM_JOB_DONE is held back. The worker posts WM_JOB_DONE
// itself once the job's summary is stored, so the window never reads a summary
// that is not there yet.
#pragma once

#include "platform/win_types.h"

namespace qv::app {

class ProgressRelay {
 public:
  explicit ProgressRelay(WindowHandle hWindow);
  ~ProgressRelay();
  ProgressRelay(const ProgressRelay&) = delete;
  ProgressRelay& operator=(const ProgressRelay&) = delete;

  // The window to name in the job's options.
  WindowHandle Handle() const { return m_hRelay; }

 private:
  WindowHandle m_hRelay = 0;
};

}  // namespace qv::app
