// The main window on Win32: the item list, the File and Help commands through
// menu, accelerators and toolbar, menu prompts and the running job's progress in
// the status bar. Backup and restore run the jobs/ code on worker threads, which
// post WM_JOB_PROGRESS and, as their last act, WM_JOB_DONE; one job at a time.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <memory>
#include <string>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

#include "app/win32/child_view.h"
#include "app/workers/item_rows.h"
#include "jobs/backup_job.h"
#include "jobs/restore_job.h"
#include "store/writer/backup_item.h"

namespace qv::app::win32 {

// The progress bar's place in the status bar, in pixels at the standard resolution.
inline constexpr int kProgressWidth = 200;
inline constexpr int kProgressTop = 2;
inline constexpr int kProgressRightGap = 30;

// Runs one job at a time on a thread that is never joined: it ends with the
// process. A thread of the mingw-w64 runtime that ends runs the destructors of
// the engine's thread-local caches after their storage was already freed, which
// crashes the program; a thread that never ends never gets there.
class JobThread {
 public:
  JobThread();
  // Any thread; false while a job runs.
  bool Start(std::function<void()> job);
  // Until the running job, if any, returned.
  void Wait();

 private:
  struct State {
    std::mutex mutex;
    std::condition_variable changed;
    std::function<void()> job;
    bool bBusy = false;
  };
  std::shared_ptr<State> m_pState;
};

class CMainFrame {
 public:
  CMainFrame() = default;
  // Waits for a running worker; a backup is told to stop first.
  ~CMainFrame();
  CMainFrame(const CMainFrame&) = delete;
  CMainFrame& operator=(const CMainFrame&) = delete;

  // Creates the window, hidden, with its bars, list and items; false when any
  // part of it could not be made.
  bool LoadFrame();
  HWND Handle() const { return m_hWnd; }
  HACCEL Accelerators() const { return m_hAccelerators; }

  // Checks the archive at `path` and its password, then restores it. Start-up
  // calls it with a path from the command line.
  void RestoreFromArchive(const std::wstring& path);
  // Measures every item and shows the rows.
  void RefreshItemList();

 private:
  static LRESULT CALLBACK WindowProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT nMessage, WPARAM wParam, LPARAM lParam);
  int OnCreate();
  bool CreateToolBar();
  // The toolbar's images at `dpi`, stretched from the 96-dpi strip.
  void LoadToolBarImages(int dpi);
  // The toolbar band's sizes for the toolbar as it now is.
  REBARBANDINFOW ToolBarBand() const;
  // Icons, fonts, pictures, column widths and the layout for a new resolution.
  void ApplyDpi(int dpi);
  // The window's title-bar and task-switching icons at `dpi`.
  void LoadIcons(int dpi);
  void OnSize();
  void OnCommand(int nCommand);
  LRESULT OnNotify(const NMHDR& header);
  void OnMenuSelect(UINT nItem, UINT nFlags, HMENU hMenu);
  void OnClose();
  void OnDestroy();

  void OnBackup();
  void OnRestore();
  void StartBackupThread();
  void StartRestoreThread();
  // Common to both jobs: commands off, bar shown from zero.
  void BeginJob();
  void OnJobProgress(WPARAM wParam, LPARAM lParam);
  void OnJobDone();
  // Tells the outcome of the job that ended, then EndJob.
  void FinishJob();
  // After the outcome was told: the worker's thread joined, the commands back.
  void EndJob();
  // Waits until the worker has no job: it ended, or was told to stop first.
  void WaitForWorker();
  void EnableJobCommands(bool bEnable);
  // The status bar's resting text, shown again when a menu or button prompt ends.
  void SetStatusText(const std::wstring& text);
  void ShowPrompt(const std::wstring& text);
  // Takes down the close question, as No would: the job it asks about is over.
  void DismissCloseQuestion();

  HWND m_hWnd = nullptr;
  std::vector<std::unique_ptr<BackupItem>> m_items;
  HWND m_wndProgress = nullptr;

  // The job record. A command changes it only while no job runs. The jobs run on
  // one worker thread that lives as long as the program (see JobThread).
  bool m_bBackupRunning = false;
  bool m_bRestoreRunning = false;
  std::wstring m_strArchivePath;
  bool m_bJobProtect = false;
  bool m_bJobCompress = false;
  std::wstring m_strJobPassword;

  HFONT m_fontMessage = nullptr;  // the status bar's, the toolbar's and the list's
  HICON m_hIconSmall = nullptr;
  HICON m_hIconBig = nullptr;
  HIMAGELIST m_imlToolBar = nullptr;
  HWND m_wndStatusBar = nullptr;
  HWND m_wndToolBar = nullptr;
  HWND m_wndReBar = nullptr;
  CChildView m_wndView;

  JobThread m_worker;
  HACCEL m_hAccelerators = nullptr;
  WindowHandle m_hJobWindow = 0;  // the platform's name of this window for the jobs
  std::atomic<bool> m_bStopRequested{false};
  BackupSummary m_backupSummary;    // written by the worker, read after WM_JOB_DONE
  RestoreSummary m_restoreSummary;  // the same
  std::vector<ItemRow> m_restoredRows;
  bool m_bJobRunning = false;  // from the worker's start until its outcome was shown
  bool m_bCloseWhenJobEnds = false;
  bool m_bAskingToClose = false;
  bool m_bJobEndedWhileAsking = false;
  std::wstring m_strStatusText;
};

}  // namespace qv::app::win32
