#include "app/workers/restore_worker.h"

#include <QThread>
#include <utility>

#include "app/workers/progress_relay.h"
#include "jobs/backup_items.h"
#include "platform/platform.h"

namespace qv::app {

RestoreWorker::RestoreWorker(RestoreJobOptions options, WindowHandle hWindow, WindowCallGate gate,
                             RowsSink showRows)
    : m_options(std::move(options)), m_hWindow(hWindow), m_gate(std::move(gate)),
      m_showRows(std::move(showRows)) {}

void RestoreWorker::RestoreThreadProc() {
  {
    const ProgressRelay relay(m_hWindow);
    m_options.hNotifyWindow = relay.Handle();
    m_summary = RunRestore(m_options);
  }
  (void)Os().PostMessageW(m_hWindow, WM_JOB_DONE, 0, 0);  // a window gone has nobody to tell

  // Items of its own: the window's stay on the window's thread.
  const std::vector<ItemRow> rows = MeasureItemRows(MakeBackupItems(0, 0));
  (void)m_gate.Call([this, &rows] { m_showRows(rows); });  // false: the window is closing
  QThread::currentThread()->quit();
}

}  // namespace qv::app
