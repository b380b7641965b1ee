// Job progress as the window's bar takes it, for every part of the engine that
// reports it (the store writer, the archive reader, the scanner): WM_JOB_PROGRESS
// posted to the notify window, wParam the new position in whole percent (0 leaves
// it), lParam the new end of the range (0 leaves it). Each position also goes, as
// done and total, to a ProgressSink when one is set.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/win_types.h"
#include "store/progress_sink.h"

namespace qv {

class MFCProgress {
 public:
  void SetTarget(WindowHandle window, std::uint32_t message = WM_JOB_PROGRESS) {
    m_hNotifyWnd = window;
    m_nMessage = message;
  }
  // May be null; it outlives the job.
  void SetSink(ProgressSink* sink) { m_pSink = sink; }
  // Nothing is posted while no window is set.
  void Post(std::uint64_t wParam, std::int64_t lParam) const;
  // Posts `done` of `total` as a position, and tells the sink, with what is being
  // worked on when the caller knows it.
  void PostPercent(std::uint64_t done, std::uint64_t total, std::string_view item = {}) const {
    Post(Percent(done, total), 0);
    Tell(done, total, item);
  }
  // Tells the sink alone: where the window's bar has nothing new to show.
  void Tell(std::uint64_t done, std::uint64_t total, std::string_view item = {}) const {
    if (m_pSink != nullptr) m_pSink->OnProgress(item, done, total);
  }

  // Truncated toward zero and never clamped: a source that grew after it was
  // measured may go past 100, which a bar shows as full. 0 when total is 0.
  static std::uint64_t Percent(std::uint64_t done, std::uint64_t total) {
    if (total == 0) return 0;
    return static_cast<std::uint64_t>(static_cast<double>(done) / static_cast<double>(total) * 100.0);
  }

 private:
  WindowHandle m_hNotifyWnd = 0;
  std::uint32_t m_nMessage = 0;
  ProgressSink* m_pSink = nullptr;
};

}  // namespace qv
