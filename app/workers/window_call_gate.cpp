#include "app/workers/window_call_gate.h"

#include <QMetaObject>
#include <QObject>

namespace qv::app {

WindowCallGate::WindowCallGate(QObject* pContext)
    : m_pContext(pContext), m_pState(std::make_shared<State>()) {}

bool WindowCallGate::Call(std::function<void()> fn) const {
  auto pDone = std::make_shared<bool>(false);
  {
    const std::lock_guard lock(m_pState->mutex);
    if (m_pState->bClosed) return false;
  }
  QMetaObject::invokeMethod(
      m_pContext,
      [state = m_pState, pDone, fn = std::move(fn)] {
        // Close() runs on this same thread, so the gate cannot close while fn runs.
        {
          const std::lock_guard lock(state->mutex);
          if (state->bClosed) return;
        }
        fn();
        const std::lock_guard lock(state->mutex);
        *pDone = true;
        state->changed.notify_all();
      },
      Qt::QueuedConnection);
  std::unique_lock lock(m_pState->mutex);
  m_pState->changed.wait(lock, [&] { return *pDone || m_pState->bClosed; });
  return *pDone;
}

void WindowCallGate::Close() const {
  const std::lock_guard lock(m_pState->mutex);
  m_pState->bClosed = true;
  m_pState->changed.notify_all();
}

}  // namespace qv::app
