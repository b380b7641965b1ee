#include "app/workers/restore_worker.h"

#include <QThread>
#include <utility>

#include "jobs/backup_items.h"
#include "platform/platform.h"

namespace qv::app {

RestoreWorker::RestoreWorker(RestoreJobOptions options, WindowHandle hWindow, WindowCallGate gate,
                             RowsSink showRows)
    : m_options(std::move(options)), m_hWindow(hWindow), m_gate(std::move(gate)),
      m_showRows(std::move(showRows)) {}

void RestoreWorker::RestoreThreadProc() {
  m_options.hNotifyWindow = m_hWindow;
  m_summary = RunRestore(m_options);

  // Items of its own: the window's stay on the window's thread.
  const std::vector<ItemRow> rows = MeasureItemRows(MakeBackupItems(0, 0));
  (void)m_gate.Call([this, &rows] { m_showRows(rows); });  // false: the window is closing
  // The last act: posting hands the summary over, and the window joins this thread.
  (void)Os().PostMessageW(m_hWindow, WM_JOB_DONE, 0, 0);  // a window gone has nobody to tell
  QThread::currentThread()->quit();
}

}  // namespace qv::app
