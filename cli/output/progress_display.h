// Shows a job's progress on standard error, redrawn in place, when standard error
// is a terminal; a pipe or a log file gets none of it. The line is cleared when the
// display goes, so a display scoped to the job call is gone when the job returns,
// whatever the job posted last.
//
// A job that tells a ProgressSink gets the richer line: how far the whole job is,
// and what it works on ("Backing up: 42% Favorites"); one that only posts to a
// window gets the percentage it posts.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/win_types.h"
#include "store/progress_sink.h"

namespace qv::cli {

class ProgressDisplay final : public ProgressSink {
 public:
  // An empty label shows nothing (--quiet).
  explicit ProgressDisplay(std::string label);
  ~ProgressDisplay() override;
  ProgressDisplay(const ProgressDisplay&) = delete;
  ProgressDisplay& operator=(const ProgressDisplay&) = delete;

  // The window to name in the job's options; 0 when nothing is shown.
  WindowHandle Window() const { return m_hWindow; }
  // The sink to give a job that tells one; null when nothing is shown.
  ProgressSink* Sink() { return m_bShowing ? this : nullptr; }

  void OnProgress(std::string_view item, std::uint64_t done, std::uint64_t total) override;

 private:
  void OnMessage(std::uint32_t message, std::uint64_t wParam);
  void Draw(std::uint64_t percent, std::string_view item);
  void Clear();

  std::string m_strLabel;
  bool m_bShowing = false;
  WindowHandle m_hWindow = 0;
  std::uint64_t m_nShownPercent = 0;
  std::string m_strShownItem;
  std::size_t m_nShownColumns = 0;  // of the line as last drawn
  std::chrono::steady_clock::time_point m_lastDraw;
  bool m_bShown = false;
};

}  // namespace qv::cli
