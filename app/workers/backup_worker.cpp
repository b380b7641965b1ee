#include "app/workers/backup_worker.h"

#include <QThread>
#include <utility>

#include "platform/platform.h"

namespace qv::app {

BackupWorker::BackupWorker(BackupOptions options, WindowHandle hWindow)
    : m_options(std::move(options)), m_hWindow(hWindow) {
  m_options.pStopFlag = &m_bStopRequested;
}

void BackupWorker::BackupThreadProc() {
  m_options.hNotifyWindow = m_hWindow;
  m_summary = RunBackup(m_options);
  // The last act: posting hands the summary over, and the window joins this thread.
  (void)Os().PostMessageW(m_hWindow, WM_JOB_DONE, 0, 0);  // a window gone has nobody to tell
  QThread::currentThread()->quit();
}

}  // namespace qv::app
