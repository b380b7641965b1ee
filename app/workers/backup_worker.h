// Runs one backup job on a worker thread. The object is moved to its thread; it
// holds its own copy of the job's options, so nothing the window owns is used
// there, and it reaches the window only through posted job messages.
#pragma once

#include <QObject>
#include <atomic>

#include "jobs/backup_job.h"

namespace qv::app {

class BackupWorker : public QObject {
  Q_OBJECT

 public:
  // `hWindow` receives the job's progress and, last of all, WM_JOB_DONE.
  BackupWorker(BackupOptions options, WindowHandle hWindow);

  // Any thread. The job stops at its next block and leaves no file behind.
  void RequestStop() { m_bStopRequested.store(true); }
  // Valid from the moment WM_JOB_DONE reaches the window; the thread ends then.
  const BackupSummary& Summary() const { return m_summary; }

  // Runs the job, then ends the thread's event loop.
  Q_INVOKABLE void BackupThreadProc();

 private:
  BackupOptions m_options;
  WindowHandle m_hWindow;
  std::atomic<bool> m_bStopRequested{false};
  BackupSummary m_summary;
};

}  // namespace qv::app
