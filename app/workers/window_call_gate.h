// A blocking call from a worker into the window's thread that cannot deadlock a
// window that is closing. The call is queued to the window's thread, so it runs
// there even while a modal box is up; the worker waits until it has run, or until
// the window closes the gate, whichever comes first.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class QObject;

namespace qv::app {

class WindowCallGate {
 public:
  // Calls run on `pContext`'s thread; those still queued when it is destroyed are
  // dropped. Copies share one gate.
  explicit WindowCallGate(QObject* pContext);

  // Worker thread. True when `fn` ran; false when the gate was closed first.
  bool Call(std::function<void()> fn) const;
  // The context's thread. Waiting calls return at once, later calls do not run.
  void Close() const;

 private:
  struct State {
    std::mutex mutex;
    std::condition_variable changed;
    bool bClosed = false;
  };

  QObject* m_pContext;
  std::shared_ptr<State> m_pState;
};

}  // namespace qv::app
