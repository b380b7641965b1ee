// The store's stop policy. The flag belongs to whoever runs the job (a window that
// closes, a command that is interrupted); the store only reads it.
#pragma once

#include <atomic>

namespace qv {

class MFCThreadCtrl {
 public:
  void SetStopFlag(const std::atomic<bool>* flag) { m_pStopFlag = flag; }
  bool ShouldStop() const {
    return m_pStopFlag != nullptr && m_pStopFlag->load(std::memory_order_relaxed);
  }

 private:
  const std::atomic<bool>* m_pStopFlag = nullptr;
};

}  // namespace qv
