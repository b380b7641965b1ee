// The main window: the item list, the File and Help commands through menu, keys
// and toolbar, and the progress of the running job in the status bar. Backup and
// restore run on worker threads (main_frame_jobs.cpp); one job at a time.
#pragma once

#include <QMainWindow>
#include <QString>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "app/workers/item_rows.h"
#include "app/workers/window_call_gate.h"
#include "store/writer/backup_item.h"

class QAction;
class QProgressBar;
class QThread;
class QToolBar;

namespace qv::app {

class BackupWorker;
class CChildView;
class CStatusBar;
class RestoreWorker;
class WindowMessagePort;

// The progress bar's place in the status bar.
inline constexpr int kProgressWidth = 200;
inline constexpr int kProgressTop = 2;
inline constexpr int kProgressRightGap = 30;

class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  // Uses the platform in use (Os()) for its life: its profile and its job messages.
  explicit CMainFrame(QWidget* pParent = nullptr);
  // Waits for a running worker; a backup is told to stop first.
  ~CMainFrame() override;

  void OnBackup();
  void OnRestore();
  // Checks the archive at the native `path` and its password, then restores it.
  // Start-up calls it with a path from the command line.
  void RestoreFromArchive(const QString& path);
  // Measures every item and shows the rows.
  void RefreshItemList();

  bool IsJobRunning() const { return m_bJobRunning; }
  QAction* CommandAction(int nCommand) const;
  CChildView* View() const { return m_wndView; }
  QProgressBar* ProgressBar() const { return m_wndProgress; }

 signals:
  // The job's worker has ended and its outcome was shown; the commands are back.
  void JobEnded();

 protected:
  void customEvent(QEvent* pEvent) override;
  void closeEvent(QCloseEvent* pEvent) override;
  bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

 private:
  void OnCreate();
  void CreateCommands();
  void CreateMenus();
  void CreateToolBar();
  void CreateStatusBar();
  void OnSize();
  void OnHelpFinder();
  void OnAbout();

  void OnJobProgress(std::uint64_t wParam, std::int64_t lParam);
  void OnJobDone(std::uint64_t wParam, std::int64_t lParam);
  // Tells the outcome of the job that ended, then EndJob.
  void FinishJob();
  void SetItemRows(const std::vector<ItemRow>& rows);
  void StartBackupThread();
  void StartRestoreThread();
  // Common to both jobs: commands off, bar shown from zero, worker started.
  void StartJob(QObject* pWorker, const char* strThreadProc, std::unique_ptr<QThread>& pThread);
  // After the outcome was told: the worker's thread joined, the commands back.
  void EndJob();

  std::vector<std::unique_ptr<BackupItem>> m_items;
  QProgressBar* m_wndProgress = nullptr;

  // The job record. A command changes it only while no job runs.
  std::unique_ptr<QThread> m_pBackupThread;
  std::unique_ptr<QThread> m_pRestoreThread;
  QString m_strArchivePath;
  bool m_bJobProtect = false;
  bool m_bJobCompress = false;
  QString m_strJobPassword;

  std::vector<QIcon> m_imlToolBar;
  CStatusBar* m_wndStatusBar = nullptr;
  QToolBar* m_wndToolBar = nullptr;
  CChildView* m_wndView = nullptr;

  std::map<int, QAction*> m_commands;
  std::unique_ptr<WindowMessagePort> m_pMessagePort;
  WindowCallGate m_gate;
  std::unique_ptr<BackupWorker> m_pBackupWorker;
  std::unique_ptr<RestoreWorker> m_pRestoreWorker;
  bool m_bJobRunning = false;  // from the worker's start until its outcome was shown
  bool m_bCloseWhenJobEnds = false;
  bool m_bAskingToClose = false;        // the close question is up
  bool m_bJobEndedWhileAsking = false;  // WM_JOB_DONE came while it was: not told yet
};

}  // namespace qv::app
