#include "tests/app/support/gated_platform.h"

namespace qv::app::test {

void GatedPlatform::HoldNthWrite(std::uint64_t n) {
  const std::lock_guard lock(m_mutex);
  m_nWritesUntilHold = n;
  m_bHeld = false;
  m_bOpen = false;
}

void GatedPlatform::WaitUntilHeld() {
  std::unique_lock lock(m_mutex);
  m_changed.wait(lock, [this] { return m_bHeld; });
}

void GatedPlatform::Open() {
  const std::lock_guard lock(m_mutex);
  m_bOpen = true;
  m_changed.notify_all();
}

bool GatedPlatform::WriteFile(FileHandle file, const void* buffer, std::uint32_t bytesToWrite,
                              std::uint32_t* bytesWritten) {
  {
    std::unique_lock lock(m_mutex);
    if (m_nWritesUntilHold != 0 && --m_nWritesUntilHold == 0) {
      m_bHeld = true;
      m_changed.notify_all();
      m_changed.wait(lock, [this] { return m_bOpen; });
    }
  }
  return m_inner.WriteFile(file, buffer, bytesToWrite, bytesWritten);
}

}  // namespace qv::app::test
