#include "app/workers/window_message_port.h"

#include <QCoreApplication>

namespace qv::app {
namespace {

bool IsJobMessage(std::uint32_t nMessage) {
  return nMessage == WM_JOB_PROGRESS || nMessage == WM_JOB_DONE;
}

void ReserveEventTypes() {
  // Claimed once, so that no other part of the program is handed these numbers.
  static const bool reserved = [] {
    return QEvent::registerEventType(WM_JOB_PROGRESS) == WM_JOB_PROGRESS &&
           QEvent::registerEventType(WM_JOB_DONE) == WM_JOB_DONE;
  }();
  Q_ASSERT(reserved);
  (void)reserved;
}

}  // namespace

static_assert(WM_JOB_PROGRESS > QEvent::User && WM_JOB_DONE < QEvent::MaxUser);

JobMessageEvent::JobMessageEvent(std::uint32_t nMessage, std::uint64_t nWParam, std::int64_t nLParam)
    : QEvent(static_cast<QEvent::Type>(nMessage)), m_nWParam(nWParam), m_nLParam(nLParam) {}

WindowMessagePort::WindowMessagePort(QObject* pReceiver)
    : m_pOs(&Os()), m_pTarget(std::make_shared<Target>()) {
  ReserveEventTypes();
  m_pTarget->pReceiver = pReceiver;
  m_hWindow = m_pOs->RegisterWindow(
      [target = m_pTarget](std::uint32_t nMessage, std::uint64_t nWParam, std::int64_t nLParam) {
        if (!IsJobMessage(nMessage)) return;
        const std::lock_guard lock(target->mutex);
        if (target->pReceiver) {
          QCoreApplication::postEvent(target->pReceiver, new JobMessageEvent(nMessage, nWParam, nLParam));
        }
      });
}

WindowMessagePort::~WindowMessagePort() {
  {
    const std::lock_guard lock(m_pTarget->mutex);
    m_pTarget->pReceiver = nullptr;
  }
  m_pOs->UnregisterWindow(m_hWindow);
}

}  // namespace qv::app
