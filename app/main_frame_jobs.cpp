// The Backup and Restore commands and the jobs behind them.
//
// A job's life: the command's checks pass; the commands are disabled and the bar is
// shown; the worker runs on its own thread and posts progress; it stores its
// summary and, as its last act, posts WM_JOB_DONE; the window tells the outcome,
// hides the bar, joins the thread (which has nothing left to do) and brings the
// commands back. WM_JOB_DONE is the one sign that a job ended.
#include <QAction>
#include <QProgressBar>
#include <QThread>
#include <algorithm>

#include "app/dialogs/backup_dialog.h"
#include "app/dialogs/enter_password_dialog.h"
#include "app/main_frame.h"
#include "app/resources/resource_ids.h"
#include "app/status_bar.h"
#include "app/user_prompts.h"
#include "app/workers/backup_worker.h"
#include "app/workers/job_outcome.h"
#include "app/workers/restore_worker.h"
#include "app/workers/window_message_port.h"
#include "jobs/archive_check.h"
#include "platform/platform.h"

namespace qv::app {
namespace {

// The Windows form of a native path, or empty with the reason in LastErrorText().
std::u16string EnginePath(const QString& nativePath) {
  if (nativePath.isEmpty()) return {};
  return Os().ToWindowsPath(nativePath.toStdString());
}

void ShowBox(QWidget* pOwner, const OutcomeBox& box) {
  if (!box.bShow) return;
  const QString text = QString::fromStdString(box.strText);
  const QString caption = QString::fromUtf8(box.strCaption);
  if (box.icon == OutcomeIcon::kInformation) {
    ShowInformation(pOwner, text, caption);
  } else {
    ShowError(pOwner, text, caption, QString::fromStdString(box.strDetails));
  }
}

void ShowCheckRefusal(QWidget* pOwner, ArchiveCheckResult result) { ShowBox(pOwner, CheckRefusalBox(result)); }

}  // namespace

void CMainFrame::OnBackup() {
  if (m_bJobRunning) return;
  CBackupDialog dialog(this);
  if (Prompts().RunDialog(dialog) != QDialog::Accepted) return;

  m_strArchivePath = dialog.m_strFileName;
  m_strJobPassword = dialog.m_strPassword;
  m_bJobCompress = dialog.m_bCompress == 1;
  m_bJobProtect = dialog.m_bProtect == 1;
  StartBackupThread();
}

void CMainFrame::StartBackupThread() {
  BackupOptions options;
  options.strArchivePath = EnginePath(m_strArchivePath);
  if (options.strArchivePath.empty()) {
    return ShowBox(this, UnwritablePathBox(m_strArchivePath.toStdString(), Os().LastErrorText()));
  }
  options.bCompress = m_bJobCompress;
  options.bProtect = m_bJobProtect;
  options.strPassword = m_strJobPassword.toStdU16String();
  m_pBackupWorker = std::make_unique<BackupWorker>(std::move(options), m_pMessagePort->Handle());
  StartJob(m_pBackupWorker.get(), "BackupThreadProc", m_pBackupThread);
}

void CMainFrame::OnRestore() {
  if (m_bJobRunning) return;
  const QString path = Prompts().GetOpenFileName(this, QString::fromUtf8(kArchiveFilter));
  if (!path.isEmpty()) RestoreFromArchive(path);
}

void CMainFrame::RestoreFromArchive(const QString& path) {
  if (m_bJobRunning) return;
  const std::u16string enginePath = EnginePath(path);
  const ArchiveCheck check = enginePath.empty() ? ArchiveCheck{} : CheckArchive(enginePath);
  if (check.result != ArchiveCheckResult::kOk) return ShowCheckRefusal(this, check.result);

  QString password;
  if (check.NeedsPassword()) {
    CEnterPasswordDialog dialog(this);
    if (Prompts().RunDialog(dialog) != QDialog::Accepted) return;
    const ArchiveCheckResult opened = CheckArchivePassword(check.header, dialog.m_strPassword.toStdU16String());
    if (opened != ArchiveCheckResult::kOk) return ShowCheckRefusal(this, opened);
    password = dialog.m_strPassword;
  }

  m_strArchivePath = path;
  m_strJobPassword = password;
  StartRestoreThread();
}

void CMainFrame::StartRestoreThread() {
  RestoreJobOptions options;
  options.strArchivePath = EnginePath(m_strArchivePath);
  options.strPassword = m_strJobPassword.toStdU16String();
  m_pRestoreWorker = std::make_unique<RestoreWorker>(
      std::move(options), m_pMessagePort->Handle(), m_gate,
      [this](const std::vector<ItemRow>& rows) { SetItemRows(rows); });
  StartJob(m_pRestoreWorker.get(), "RestoreThreadProc", m_pRestoreThread);
}

void CMainFrame::StartJob(QObject* pWorker, const char* strThreadProc, std::unique_ptr<QThread>& pThread) {
  m_bJobRunning = true;
  m_bCloseWhenJobEnds = false;
  for (int nCommand : {ID_FILE_BACKUP, ID_FILE_RESTORE}) CommandAction(nCommand)->setEnabled(false);
  // A new job starts from an empty bar, not from where the last one ended.
  m_wndProgress->setRange(0, 100);
  m_wndProgress->setValue(0);
  m_wndProgress->show();

  pThread = std::make_unique<QThread>();
  pThread->setObjectName(QString::fromLatin1(strThreadProc));
  pWorker->moveToThread(pThread.get());
  connect(pThread.get(), &QThread::started, pWorker,
          [pWorker, strThreadProc] { QMetaObject::invokeMethod(pWorker, strThreadProc, Qt::DirectConnection); });
  pThread->start();
}

void CMainFrame::OnJobProgress(std::uint64_t wParam, std::int64_t lParam) {
  // 0 leaves the position or the range as it is, so the bar never drops back to
  // empty between two items. A position past the range shows a full bar.
  if (wParam != 0) {
    const std::uint64_t top = static_cast<std::uint64_t>(std::max(m_wndProgress->maximum(), 0));
    m_wndProgress->setValue(static_cast<int>(std::min(wParam, top)));
  }
  if (lParam > 0) {
    const int position = m_wndProgress->value();
    const int top = static_cast<int>(std::min<std::int64_t>(lParam, INT32_MAX));
    m_wndProgress->setRange(0, top);
    m_wndProgress->setValue(std::min(position, top));
  }
}

void CMainFrame::OnJobDone(std::uint64_t, std::int64_t) {
  if (!m_bJobRunning) return;
  if (m_bAskingToClose) {
    // The close question asks about a job that is over: it goes first, and the
    // outcome is told once it has gone (closeEvent), never over it.
    m_bJobEndedWhileAsking = true;
    Prompts().DismissQuestions(this);
    return;
  }
  FinishJob();
  if (m_bCloseWhenJobEnds) close();
}

void CMainFrame::FinishJob() {
  if (m_pBackupWorker) {
    ShowBox(this, BackupOutcomeBox(m_pBackupWorker->Summary(), m_bCloseWhenJobEnds));
  } else if (m_pRestoreWorker) {
    ShowBox(this, RestoreOutcomeBox(m_pRestoreWorker->Summary()));
  }
  m_wndProgress->hide();
  EndJob();
}

void CMainFrame::EndJob() {
  // The worker posted WM_JOB_DONE as its last act, so its thread ends at once.
  for (QThread* pThread : {m_pBackupThread.get(), m_pRestoreThread.get()}) {
    if (pThread) pThread->wait();
  }
  m_pBackupWorker.reset();
  m_pRestoreWorker.reset();
  m_pBackupThread.reset();
  m_pRestoreThread.reset();
  m_strJobPassword.clear();  // no longer needed: keep it out of memory
  m_bJobRunning = false;
  for (int nCommand : {ID_FILE_BACKUP, ID_FILE_RESTORE}) CommandAction(nCommand)->setEnabled(true);
  m_wndStatusBar->clearMessage();
  emit JobEnded();
}

}  // namespace qv::app
