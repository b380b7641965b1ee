#include "app/main_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QSizeGrip>
#include <QThread>
#include <QToolBar>
#include <QToolButton>
#include <QWhatsThis>

#include "app/child_view.h"
#include "app/dialogs/about_dlg.h"
#include "app/help_pages.h"
#include "app/resources/main_frame_resources.h"
#include "app/resources/pictures.h"
#include "app/resources/resource_ids.h"
#include "app/resources/string_table.h"
#include "app/status_bar.h"
#include "app/user_prompts.h"
#include "app/workers/backup_worker.h"
#include "app/workers/job_outcome.h"
#include "app/workers/restore_worker.h"
#include "app/workers/window_message_port.h"
#include "jobs/backup_items.h"
#include "platform/win_types.h"

namespace qv::app {
namespace {

constexpr int kStartWidth = 400;
constexpr int kStartHeight = 400;

}  // namespace

CMainFrame::CMainFrame(QWidget* pParent) : QMainWindow(pParent), m_gate(this) { OnCreate(); }

CMainFrame::~CMainFrame() {
  // A restore worker may be waiting for the window to take its rows: let it go.
  m_gate.Close();
  if (m_pBackupWorker) m_pBackupWorker->RequestStop();
  for (QThread* pThread : {m_pBackupThread.get(), m_pRestoreThread.get()}) {
    if (pThread) pThread->wait();
  }
  m_pMessagePort.reset();
}

void CMainFrame::OnCreate() {
  m_pMessagePort = std::make_unique<WindowMessagePort>(this);
  m_wndView = new CChildView(this);
  setCentralWidget(m_wndView);
  CreateCommands();
  CreateMenus();
  CreateToolBar();
  CreateStatusBar();

  setWindowTitle(LoadResourceString(IDR_MAINFRAME));
  setWindowIcon(LoadAppIcon());
  resize(kStartWidth, kStartHeight);
  if (const QScreen* pScreen = QGuiApplication::primaryScreen()) {
    move(pScreen->availableGeometry().center() - rect().center());
  }

  m_items = MakeBackupItems(m_pMessagePort->Handle(), WM_JOB_PROGRESS);
  RefreshItemList();
}

void CMainFrame::CreateCommands() {
  const auto add = [this](int nCommand, const QString& text, auto handler) {
    auto* pAction = new QAction(text, this);
    pAction->setProperty("commandId", nCommand);
    pAction->setStatusTip(CommandPrompt(nCommand));
    pAction->setToolTip(CommandTip(nCommand));
    pAction->setWhatsThis(CommandPrompt(nCommand));
    pAction->setIconVisibleInMenu(false);
    connect(pAction, &QAction::triggered, this, handler);
    addAction(pAction);  // its keys work wherever the focus is in the window
    m_commands[nCommand] = pAction;
  };
  // Menu texts come with the menu; these name the commands that only keys reach.
  add(ID_FILE_BACKUP, QString(), &CMainFrame::OnBackup);
  add(ID_FILE_RESTORE, QString(), &CMainFrame::OnRestore);
  add(ID_APP_EXIT, QString(), &CMainFrame::close);
  add(ID_HELP_FINDER, QString(), &CMainFrame::OnHelpFinder);
  add(ID_APP_ABOUT, QString(), &CMainFrame::OnAbout);
  // There is no help for single windows: F1 opens the manual as Help Topics does.
  add(ID_HELP, QStringLiteral("Help"), &CMainFrame::OnHelpFinder);
  add(ID_CONTEXT_HELP, QStringLiteral("What's This?"), [] { QWhatsThis::enterWhatsThisMode(); });
  for (const AcceleratorTemplate& accelerator : MainAccelerators()) {
    if (QAction* pAction = CommandAction(accelerator.nCommand)) {
      pAction->setShortcut(QKeySequence(QString::fromUtf8(accelerator.strKey), QKeySequence::PortableText));
    }
  }
}

QAction* CMainFrame::CommandAction(int nCommand) const {
  const auto found = m_commands.find(nCommand);
  return found == m_commands.end() ? nullptr : found->second;
}

void CMainFrame::CreateMenus() {
  for (const MenuTemplate& menu : MainMenuTemplate()) {
    QMenu* pMenu = menuBar()->addMenu(QString::fromUtf8(menu.strText));
    for (const MenuItemTemplate& item : menu.items) {
      QAction* pAction = item.nId == 0 ? nullptr : CommandAction(item.nId);
      if (!pAction) {
        pMenu->addSeparator();
        continue;
      }
      // The key after the tab is shown from the action's own shortcut.
      pAction->setText(QString::fromUtf8(item.strText).section(u'\t', 0, 0));
      pMenu->addAction(pAction);
    }
  }
}

void CMainFrame::CreateToolBar() {
  const QPixmap strip = LoadBitmapResource(IDB_TOOLBAR);
  const int side = strip.height();
  for (int x = 0; x + side <= strip.width(); x += side) m_imlToolBar.emplace_back(strip.copy(x, 0, side, side));

  m_wndToolBar = addToolBar(QStringLiteral("Toolbar"));
  m_wndToolBar->setObjectName(QStringLiteral("ToolBar"));
  m_wndToolBar->setIconSize(QSize(side, side));
  m_wndToolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  // Qt's button for what does not fit; it has no text of its own.
  if (auto* pMore = m_wndToolBar->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"))) {
    pMore->setAccessibleName(QStringLiteral("More toolbar buttons"));
  }
  for (const ToolBarButtonTemplate& button : MainToolBarTemplate()) {
    QAction* pAction = CommandAction(button.nCommand);
    if (button.nImage < static_cast<int>(m_imlToolBar.size())) pAction->setIcon(m_imlToolBar[button.nImage]);
    pAction->setIconText(QString::fromUtf8(button.strText));
    m_wndToolBar->addAction(pAction);
    if (auto* pButton = qobject_cast<QToolButton*>(m_wndToolBar->widgetForAction(pAction))) {
      pButton->setToolButtonStyle(button.bShowText ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonIconOnly);
    }
  }
}

void CMainFrame::CreateStatusBar() {
  m_wndStatusBar = new CStatusBar(this);
  setStatusBar(m_wndStatusBar);
  m_wndStatusBar->setAccessibleName(QStringLiteral("Status"));
  if (auto* pGrip = m_wndStatusBar->findChild<QSizeGrip*>()) pGrip->setAccessibleName(QStringLiteral("Resize"));
  // A child placed by hand rather than a pane: it keeps its place at the right
  // while the prompts use the whole bar.
  m_wndProgress = new QProgressBar(m_wndStatusBar);
  m_wndProgress->setRange(0, 100);
  m_wndProgress->setValue(0);
  m_wndProgress->setTextVisible(false);
  m_wndProgress->setAccessibleName(QStringLiteral("Progress"));
  m_wndProgress->hide();
  m_wndStatusBar->installEventFilter(this);
  OnSize();
}

bool CMainFrame::eventFilter(QObject* pWatched, QEvent* pEvent) {
  if (pWatched == m_wndStatusBar && pEvent->type() == QEvent::Resize) OnSize();
  return QMainWindow::eventFilter(pWatched, pEvent);
}

void CMainFrame::OnSize() {
  const int h = m_wndStatusBar->height();
  m_wndProgress->setGeometry(m_wndStatusBar->width() - kProgressWidth - kProgressRightGap, kProgressTop,
                             kProgressWidth, h - 2 * kProgressTop);
  m_wndProgress->raise();
}

void CMainFrame::OnHelpFinder() { Prompts().OpenUrl(ManualUrl()); }

void CMainFrame::OnAbout() {
  CAboutDlg about(this);
  (void)Prompts().RunDialog(about);  // it has nothing to hand back
}

void CMainFrame::RefreshItemList() { SetItemRows(MeasureItemRows(m_items)); }

void CMainFrame::SetItemRows(const std::vector<ItemRow>& rows) { m_wndView->SetRows(rows); }

void CMainFrame::customEvent(QEvent* pEvent) {
  const std::uint32_t nMessage = static_cast<std::uint32_t>(pEvent->type());
  if (nMessage != WM_JOB_PROGRESS && nMessage != WM_JOB_DONE) return QMainWindow::customEvent(pEvent);
  const auto* pMessage = static_cast<const JobMessageEvent*>(pEvent);
  if (nMessage == WM_JOB_PROGRESS) {
    OnJobProgress(pMessage->WParam(), pMessage->LParam());
  } else {
    OnJobDone(pMessage->WParam(), pMessage->LParam());
  }
}

void CMainFrame::closeEvent(QCloseEvent* pEvent) {
  if (!m_bJobRunning) return pEvent->accept();
  pEvent->ignore();
  if (m_bCloseWhenJobEnds) return;  // asked already; the window closes when the job ends
  const bool bBackup = m_pBackupWorker != nullptr;
  MessageBoxRequest question{this, QString(), QStringLiteral("Quorvel"), BoxIcon::kQuestion, BoxButtons::kYesNo};
  question.strText = QString::fromStdString(CloseQuestionText(bBackup));
  m_bAskingToClose = true;
  const bool bYes = Prompts().MessageBox(question);
  m_bAskingToClose = false;
  if (m_bJobEndedWhileAsking) {
    // The job's end took the question down; now that it is gone, the outcome is
    // told. A yes that came before the end still closes the window.
    m_bJobEndedWhileAsking = false;
    FinishJob();
    if (bYes) pEvent->accept();
    return;
  }
  if (!bYes) return;
  m_bCloseWhenJobEnds = true;
  if (bBackup) {
    m_pBackupWorker->RequestStop();
    m_wndStatusBar->showMessage(QString::fromUtf8(kStoppingBackupText));
  } else {
    m_wndStatusBar->showMessage(QString::fromUtf8(kClosingAfterRestoreText));
  }
}

}  // namespace qv::app
