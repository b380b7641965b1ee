// The window's end of the job messages. Workers post WM_JOB_PROGRESS and WM_JOB_DONE
// through the platform; the platform runs the sink on the posting thread, and the
// sink turns each message into an event posted to the window, whose type is the
// message number. The window handles them on its own thread, in order.
#pragma once

#include <QEvent>
#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/platform.h"

class QObject;

namespace qv::app {

class JobMessageEvent : public QEvent {
 public:
  JobMessageEvent(std::uint32_t nMessage, std::uint64_t nWParam, std::int64_t nLParam);

  std::uint32_t Message() const { return static_cast<std::uint32_t>(type()); }
  std::uint64_t WParam() const { return m_nWParam; }
  std::int64_t LParam() const { return m_nLParam; }

 private:
  std::uint64_t m_nWParam;
  std::int64_t m_nLParam;
};

class WindowMessagePort {
 public:
  // Registers `pReceiver` with the platform in use (Os()), and unregisters it there
  // even if another platform is in use by then.
  explicit WindowMessagePort(QObject* pReceiver);
  // No event reaches the receiver once this returns, even from a worker that is
  // still posting.
  ~WindowMessagePort();
  WindowMessagePort(const WindowMessagePort&) = delete;
  WindowMessagePort& operator=(const WindowMessagePort&) = delete;

  WindowHandle Handle() const { return m_hWindow; }

 private:
  struct Target {
    std::mutex mutex;
    QObject* pReceiver = nullptr;
  };

  Platform* m_pOs;
  std::shared_ptr<Target> m_pTarget;
  WindowHandle m_hWindow = 0;
};

}  // namespace qv::app
