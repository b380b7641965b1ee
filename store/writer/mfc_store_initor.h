// Passes the item's notify window, progress message, progress sink and stop flag
// to every store the item makes. Set once, right after the item is made, and never
// changed, so a backup and a size query may use the item at the same time.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/win_types.h"
#include "store/progress_sink.h"

namespace qv {

template <class Store>
class MFCStoreInitor {
 public:
  void SetNotifyWindow(WindowHandle window, std::uint32_t message) {
    m_hNotifyWnd = window;
    m_nProgressMessage = message;
  }
  void SetStopFlag(const std::atomic<bool>* flag) { m_pStopFlag = flag; }
  void SetProgressSink(ProgressSink* sink) { m_pProgressSink = sink; }

 protected:
  void InitStore(Store& store) const {
    store.SetNotifyWindow(m_hNotifyWnd, m_nProgressMessage);
    store.SetProgressSink(m_pProgressSink);
    store.SetStopFlag(m_pStopFlag);
  }

 private:
  WindowHandle m_hNotifyWnd = 0;
  std::uint32_t m_nProgressMessage = 0;
  const std::atomic<bool>* m_pStopFlag = nullptr;
  ProgressSink* m_pProgressSink = nullptr;
};

}  // namespace qv
