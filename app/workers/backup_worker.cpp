#include "app/workers/backup_worker.h"

#include <QThread>
#include <utility>

#include "app/workers/progress_relay.h"
#include "platform/platform.h"

namespace qv::app {

BackupWorker::BackupWorker(BackupOptions options, WindowHandle hWindow)
    : m_options(std::move(options)), m_hWindow(hWindow) {
  m_options.pStopFlag = &m_bStopRequested;
}

void BackupWorker::BackupThreadProc() {
  {
    const ProgressRelay relay(m_hWindow);
    m_options.hNotifyWindow = relay.Handle();
    m_summary = RunBackup(m_options);
  }
  // Posting hands the summary over: the window reads it only after the message.
  (void)Os().PostMessageW(m_hWindow, WM_JOB_DONE, 0, 0);  // a window gone has nobody to tell
  QThread::currentThread()->quit();
}

}  // namespace qv::app
