// Runs one restore job on a worker thread, then measures the items again and hands
// the new rows to the window through a blocking call, since a restore changes the
// sizes shown. Moved to its thread like BackupWorker.
#pragma once

#include <QObject>
#include <functional>
#include <vector>

#include "app/workers/item_rows.h"
#include "app/workers/window_call_gate.h"
#include "jobs/restore_job.h"

namespace qv::app {

class RestoreWorker : public QObject {
  Q_OBJECT

 public:
  using RowsSink = std::function<void(const std::vector<ItemRow>&)>;

  // `showRows` runs on the window's thread, through `gate`.
  RestoreWorker(RestoreJobOptions options, WindowHandle hWindow, WindowCallGate gate, RowsSink showRows);

  // Valid from the moment WM_JOB_DONE reaches the window; the thread ends then.
  const RestoreSummary& Summary() const { return m_summary; }

  Q_INVOKABLE void RestoreThreadProc();

 private:
  RestoreJobOptions m_options;
  WindowHandle m_hWindow;
  WindowCallGate m_gate;
  RowsSink m_showRows;
  RestoreSummary m_summary;
};

}  // namespace qv::app
