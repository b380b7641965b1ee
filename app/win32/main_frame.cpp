#include "app/win32/main_frame.h"

#include <thread>

#include "app/resources/main_frame_resources.h"
#include "app/resources/resource_ids.h"
#include "app/win32/dialogs.h"
#include "app/win32/dpi.h"
#include "app/win32/prompts.h"
#include "app/workers/job_outcome.h"
#include "jobs/archive_check.h"
#include "jobs/backup_items.h"
#include "platform/platform.h"

namespace qv::app::win32 {
namespace {

constexpr wchar_t kClassName[] = L"QuorvelMainFrame";
constexpr int kFirstPaneId = 0xE900;  // the frame's view, as frameworks number it
constexpr int kToolBarId = 0xE800;
constexpr int kStatusBarId = 0xE801;
constexpr int kReBarId = 0xE81C;
constexpr int kDefaultHelp = 57671;
constexpr int kStartWidth = 400;
constexpr int kStartHeight = 400;
constexpr int kToolBarImageSide = 24;
constexpr char kQuestionCaption[] = "Quorvel";

int Height(HWND hWnd) {
  RECT rect{};
  if (hWnd == nullptr || !GetWindowRect(hWnd, &rect)) return 0;
  return rect.bottom - rect.top;
}

// The Windows form of a path, or empty with the reason in LastErrorText().
std::u16string EnginePath(const std::wstring& path) {
  if (path.empty()) return {};
  return Os().ToWindowsPath(Utf8(path));
}

}  // namespace

JobThread::JobThread() : m_pState(std::make_shared<State>()) {
  std::thread([pState = m_pState] {
    for (;;) {
      std::function<void()> job;
      {
        std::unique_lock<std::mutex> lock(pState->mutex);
        pState->changed.wait(lock, [&] { return static_cast<bool>(pState->job); });
        job = std::move(pState->job);
        pState->job = nullptr;
      }
      job();
      {
        const std::lock_guard<std::mutex> lock(pState->mutex);
        pState->bBusy = false;
      }
      pState->changed.notify_all();
    }
  }).detach();
}

bool JobThread::Start(std::function<void()> job) {
  {
    const std::lock_guard<std::mutex> lock(m_pState->mutex);
    if (m_pState->bBusy) return false;
    m_pState->bBusy = true;
    m_pState->job = std::move(job);
  }
  m_pState->changed.notify_all();
  return true;
}

void JobThread::Wait() {
  std::unique_lock<std::mutex> lock(m_pState->mutex);
  m_pState->changed.wait(lock, [&] { return !m_pState->bBusy; });
}

CMainFrame::~CMainFrame() {
  m_bStopRequested.store(true);
  WaitForWorker();
  if (m_hWnd != nullptr && IsWindow(m_hWnd)) DestroyWindow(m_hWnd);
  if (m_hJobWindow != 0) Os().UnregisterWindow(m_hJobWindow);
  if (m_imlToolBar != nullptr) ImageList_Destroy(m_imlToolBar);
  if (m_hAccelerators != nullptr) DestroyAcceleratorTable(m_hAccelerators);
  if (m_fontMessage != nullptr) DeleteObject(m_fontMessage);
  if (m_hIconSmall != nullptr) DestroyIcon(m_hIconSmall);
  if (m_hIconBig != nullptr) DestroyIcon(m_hIconBig);
}

bool CMainFrame::LoadFrame() {
  const HINSTANCE hInstance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = hInstance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kClassName;
  if (!GetClassInfoExW(hInstance, kClassName, &windowClass) && !RegisterClassExW(&windowClass)) return false;
  const HMENU hMenu = LoadMenuW(hInstance, MAKEINTRESOURCEW(IDR_MAINFRAME));
  m_hAccelerators = LoadAcceleratorsW(hInstance, MAKEINTRESOURCEW(IDR_MAINFRAME));
  const std::wstring title = LoadText(IDR_MAINFRAME);
  m_hWnd = CreateWindowExW(0, kClassName, title.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                           CW_USEDEFAULT, kStartWidth, kStartHeight, nullptr, hMenu, hInstance, this);
  if (m_hWnd == nullptr && hMenu != nullptr) DestroyMenu(hMenu);
  return m_hWnd != nullptr;
}

LRESULT CALLBACK CMainFrame::WindowProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam) {
  if (nMessage == WM_NCCREATE) {
    auto* pCreate = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pCreate->lpCreateParams));
    static_cast<CMainFrame*>(pCreate->lpCreateParams)->m_hWnd = hWnd;
  }
  auto* pFrame = reinterpret_cast<CMainFrame*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
  if (pFrame == nullptr) return DefWindowProcW(hWnd, nMessage, wParam, lParam);
  if (nMessage == WM_NCDESTROY) {
    SetWindowLongPtrW(hWnd, GWLP_USERDATA, 0);
    pFrame->m_hWnd = nullptr;
    return DefWindowProcW(hWnd, nMessage, wParam, lParam);
  }
  return pFrame->OnMessage(nMessage, wParam, lParam);
}

LRESULT CMainFrame::OnMessage(UINT nMessage, WPARAM wParam, LPARAM lParam) {
  switch (nMessage) {
    case WM_CREATE:
      return OnCreate();
    case WM_SIZE:
      OnSize();
      return 0;
    case WM_SETFOCUS:
      if (m_wndView.Handle()) SetFocus(m_wndView.Handle());
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam));
      return 0;
    case WM_NOTIFY:
      return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_MENUSELECT:
      OnMenuSelect(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HMENU>(lParam));
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_DESTROY:
      OnDestroy();
      return 0;
    case WM_DPICHANGED: {
      const auto* pRect = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(m_hWnd, nullptr, pRect->left, pRect->top, pRect->right - pRect->left,
                   pRect->bottom - pRect->top, SWP_NOZORDER | SWP_NOACTIVATE);
      ApplyDpi(HIWORD(wParam));
      return 0;
    }
    default:
      break;
  }
  if (nMessage == WM_JOB_PROGRESS) {
    OnJobProgress(wParam, lParam);
    return 0;
  }
  if (nMessage == WM_JOB_DONE) {
    OnJobDone();
    return 0;
  }
  return DefWindowProcW(m_hWnd, nMessage, wParam, lParam);
}

int CMainFrame::OnCreate() {
  const HINSTANCE hInstance = GetModuleHandleW(nullptr);
  // Job messages reach this window through the platform, from any thread.
  const HWND hWnd = m_hWnd;
  m_hJobWindow = Os().RegisterWindow([hWnd](std::uint32_t nMessage, std::uint64_t wParam, std::int64_t lParam) {
    ::PostMessageW(hWnd, nMessage, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
  });

  if (!m_wndView.Create(m_hWnd, kFirstPaneId)) return -1;
  if (!CreateToolBar()) return -1;

  m_wndStatusBar = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                                   m_hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStatusBarId)), hInstance,
                                   nullptr);
  if (m_wndStatusBar == nullptr) return -1;
  int nRightEdge = -1;  // one pane that stretches
  SendMessageW(m_wndStatusBar, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&nRightEdge));

  m_wndProgress = CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD, 0, 0, 0, 0, m_wndStatusBar, nullptr,
                                  hInstance, nullptr);
  if (m_wndProgress == nullptr) return -1;

  // Centred on the screen, its size following the resolution.
  const int dpi = WindowDpi(m_hWnd);
  const int cx = MulDiv(kStartWidth, dpi, USER_DEFAULT_SCREEN_DPI);
  const int cy = MulDiv(kStartHeight, dpi, USER_DEFAULT_SCREEN_DPI);
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  SetWindowPos(m_hWnd, nullptr, work.left + (work.right - work.left - cx) / 2,
               work.top + (work.bottom - work.top - cy) / 2, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);

  // The monitor it starts on may not be at the system's resolution.
  ApplyDpi(WindowDpi(m_hWnd));
  m_items = MakeBackupItems(m_hJobWindow, WM_JOB_PROGRESS);
  RefreshItemList();
  return 0;
}

bool CMainFrame::CreateToolBar() {
  const HINSTANCE hInstance = GetModuleHandleW(nullptr);
  m_wndReBar = CreateWindowExW(WS_EX_TOOLWINDOW, REBARCLASSNAMEW, nullptr,
                               WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | RBS_BANDBORDERS |
                                   CCS_NODIVIDER | CCS_TOP,
                               0, 0, 0, 0, m_hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kReBarId)),
                               hInstance, nullptr);
  if (m_wndReBar == nullptr) return false;
  m_wndToolBar = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                                 WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_TRANSPARENT |
                                     TBSTYLE_TOOLTIPS | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN,
                                 0, 0, 0, 0, m_wndReBar,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kToolBarId)), hInstance, nullptr);
  if (m_wndToolBar == nullptr) return false;
  // Clicks, tooltips and hot-item changes come to the frame, not to the rebar.
  SendMessageW(m_wndToolBar, TB_SETPARENT, reinterpret_cast<WPARAM>(m_hWnd), 0);
  SendMessageW(m_wndToolBar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageW(m_wndToolBar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_MIXEDBUTTONS);

  LoadToolBarImages(WindowDpi(m_hWnd));

  std::vector<std::wstring> texts;
  for (const ToolBarButtonTemplate& button : MainToolBarTemplate()) texts.push_back(Wide(button.strText));
  std::vector<TBBUTTON> buttons;
  std::size_t i = 0;
  for (const ToolBarButtonTemplate& button : MainToolBarTemplate()) {
    TBBUTTON entry{};
    entry.iBitmap = button.nImage;
    entry.idCommand = button.nCommand;
    entry.fsState = TBSTATE_ENABLED;
    entry.fsStyle = BTNS_AUTOSIZE | (button.bShowText ? BTNS_SHOWTEXT : 0);
    entry.iString = reinterpret_cast<INT_PTR>(texts[i++].c_str());
    buttons.push_back(entry);
  }
  if (!SendMessageW(m_wndToolBar, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()))) {
    return false;
  }
  SendMessageW(m_wndToolBar, TB_AUTOSIZE, 0, 0);

  REBARBANDINFOW band = ToolBarBand();
  band.fMask |= RBBIM_STYLE | RBBIM_CHILD;
  band.fStyle = RBBS_GRIPPERALWAYS | RBBS_FIXEDBMP | RBBS_CHILDEDGE;
  band.hwndChild = m_wndToolBar;
  return SendMessageW(m_wndReBar, RB_INSERTBANDW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band)) != 0;
}

void CMainFrame::LoadToolBarImages(int dpi) {
  const HIMAGELIST hImages = MakeImageListAtDpi({IDB_TOOLBAR}, kToolBarImageSide, dpi);
  if (hImages == nullptr) return;  // the toolbar keeps the images it has
  SendMessageW(m_wndToolBar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(hImages));
  if (m_imlToolBar != nullptr) ImageList_Destroy(m_imlToolBar);
  m_imlToolBar = hImages;
}

REBARBANDINFOW CMainFrame::ToolBarBand() const {
  SIZE ideal{};
  SendMessageW(m_wndToolBar, TB_GETIDEALSIZE, FALSE, reinterpret_cast<LPARAM>(&ideal));
  const DWORD buttonSize = static_cast<DWORD>(SendMessageW(m_wndToolBar, TB_GETBUTTONSIZE, 0, 0));
  REBARBANDINFOW band{};
  band.cbSize = sizeof(band);
  band.fMask = RBBIM_CHILDSIZE | RBBIM_SIZE | RBBIM_IDEALSIZE;
  band.cxMinChild = ideal.cx;
  band.cyMinChild = HIWORD(buttonSize);
  band.cx = ideal.cx;
  band.cxIdeal = ideal.cx;
  return band;
}

void CMainFrame::LoadIcons(int dpi) {
  const auto load = [&](WPARAM nWhich, int nSide, HICON& hKept) {
    const int side = MulDiv(nSide, dpi, USER_DEFAULT_SCREEN_DPI);
    const auto hIcon = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, side, side, 0));
    if (hIcon == nullptr) return;  // the window keeps the icon it has
    SendMessageW(m_hWnd, WM_SETICON, nWhich, reinterpret_cast<LPARAM>(hIcon));
    if (hKept != nullptr) DestroyIcon(hKept);
    hKept = hIcon;
  };
  // The system's sizes at 96 dpi: 16 in the title bar, 32 for task switching.
  load(ICON_SMALL, 16, m_hIconSmall);
  load(ICON_BIG, 32, m_hIconBig);
}

void CMainFrame::ApplyDpi(int dpi) {
  LoadIcons(dpi);
  const HFONT hFont = MakeMessageFont(dpi);
  if (hFont == nullptr) return;  // the controls keep the font they have
  SendMessageW(m_wndStatusBar, WM_SETFONT, reinterpret_cast<WPARAM>(hFont), TRUE);
  m_wndView.ApplyDpi(dpi, hFont);
  LoadToolBarImages(dpi);
  SendMessageW(m_wndToolBar, WM_SETFONT, reinterpret_cast<WPARAM>(hFont), TRUE);
  SendMessageW(m_wndToolBar, TB_AUTOSIZE, 0, 0);
  REBARBANDINFOW band = ToolBarBand();
  SendMessageW(m_wndReBar, RB_SETBANDINFOW, 0, reinterpret_cast<LPARAM>(&band));
  if (m_fontMessage != nullptr) DeleteObject(m_fontMessage);
  m_fontMessage = hFont;
  OnSize();
}

void CMainFrame::OnSize() {
  if (m_wndStatusBar == nullptr || m_wndReBar == nullptr) return;
  RECT client{};
  GetClientRect(m_hWnd, &client);
  SendMessageW(m_wndStatusBar, WM_SIZE, 0, 0);
  SendMessageW(m_wndReBar, WM_SIZE, 0, 0);
  const int top = Height(m_wndReBar);
  const int statusHeight = Height(m_wndStatusBar);
  if (m_wndView.Handle()) {
    MoveWindow(m_wndView.Handle(), 0, top, client.right, std::max<int>(0, client.bottom - top - statusHeight), TRUE);
  }
  // In the status bar, ending a fixed gap before its right edge.
  const int dpi = WindowDpi(m_hWnd);
  const int width = MulDiv(kProgressWidth, dpi, USER_DEFAULT_SCREEN_DPI);
  const int gap = MulDiv(kProgressRightGap, dpi, USER_DEFAULT_SCREEN_DPI);
  MoveWindow(m_wndProgress, client.right - width - gap, kProgressTop, width, statusHeight - 2 * kProgressTop, TRUE);
}

void CMainFrame::OnCommand(int nCommand) {
  switch (nCommand) {
    case ID_FILE_BACKUP:
      OnBackup();
      break;
    case ID_FILE_RESTORE:
      OnRestore();
      break;
    case ID_APP_EXIT:
      SendMessageW(m_hWnd, WM_CLOSE, 0, 0);
      break;
    case ID_APP_ABOUT: {
      CAboutDlg about(m_hWnd);
      (void)about.DoModal();  // it has nothing to hand back
      break;
    }
    // There is no help for single windows: each help command opens the manual.
    case ID_HELP_FINDER:
    case ID_HELP:
    case ID_CONTEXT_HELP:
    case kDefaultHelp:
      OpenManual(m_hWnd);
      break;
    default:
      break;
  }
}

LRESULT CMainFrame::OnNotify(const NMHDR& header) {
  if (header.code == TTN_GETDISPINFOW) {
    auto& info = const_cast<NMTTDISPINFOW&>(reinterpret_cast<const NMTTDISPINFOW&>(header));
    static std::wstring tip;  // must outlive this call; the tooltip copies it
    tip = CommandTip(static_cast<int>(header.idFrom));
    info.lpszText = tip.data();
    return 0;
  }
  if (header.hwndFrom == m_wndToolBar && header.code == TBN_HOTITEMCHANGE) {
    const auto& hot = reinterpret_cast<const NMTBHOTITEM&>(header);
    if ((hot.dwFlags & HICF_LEAVING) != 0) {
      ShowPrompt(m_strStatusText);
    } else {
      ShowPrompt(CommandPrompt(hot.idNew));
    }
    return 0;
  }
  if (header.hwndFrom == m_wndReBar && header.code == RBN_HEIGHTCHANGE) OnSize();
  return 0;
}

void CMainFrame::OnMenuSelect(UINT nItem, UINT nFlags, HMENU hMenu) {
  if (nFlags == 0xFFFF && hMenu == nullptr) {
    ShowPrompt(m_strStatusText);  // the menu closed
  } else if ((nFlags & (MF_POPUP | MF_SEPARATOR)) != 0) {
    ShowPrompt(L"");
  } else {
    ShowPrompt(CommandPrompt(static_cast<int>(nItem)));
  }
}

void CMainFrame::SetStatusText(const std::wstring& text) {
  m_strStatusText = text;
  ShowPrompt(text);
}

void CMainFrame::ShowPrompt(const std::wstring& text) {
  if (m_wndStatusBar) SendMessageW(m_wndStatusBar, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void CMainFrame::RefreshItemList() { m_wndView.SetRows(MeasureItemRows(m_items)); }

void CMainFrame::OnBackup() {
  if (m_bJobRunning) return;
  CBackupDialog dialog(m_hWnd);
  if (dialog.DoModal() != IDOK) return;
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
    return ShowOutcome(m_hWnd, UnwritablePathBox(Utf8(m_strArchivePath), Os().LastErrorText()));
  }
  options.bCompress = m_bJobCompress;
  options.bProtect = m_bJobProtect;
  options.strPassword = U16(m_strJobPassword);
  options.hNotifyWindow = m_hJobWindow;
  options.pStopFlag = &m_bStopRequested;
  BeginJob();
  m_bBackupRunning = true;
  const WindowHandle hJobWindow = m_hJobWindow;
  (void)m_worker.Start([this, options = std::move(options), hJobWindow] {
    m_backupSummary = RunBackup(options);
    // The last act: posting hands the summary over, and the window joins this thread.
    (void)Os().PostMessageW(hJobWindow, WM_JOB_DONE, 0, 0);
  });
}

void CMainFrame::OnRestore() {
  if (m_bJobRunning) return;
  const std::wstring path = AskOpenFileName(m_hWnd, kArchiveFilter);
  if (!path.empty()) RestoreFromArchive(path);
}

void CMainFrame::RestoreFromArchive(const std::wstring& path) {
  if (m_bJobRunning) return;
  const std::u16string enginePath = EnginePath(path);
  const ArchiveCheck check = enginePath.empty() ? ArchiveCheck{} : CheckArchive(enginePath);
  if (check.result != ArchiveCheckResult::kOk) return ShowOutcome(m_hWnd, CheckRefusalBox(check.result));

  std::wstring password;
  if (check.NeedsPassword()) {
    CEnterPasswordDialog dialog(m_hWnd);
    if (dialog.DoModal() != IDOK) return;
    const ArchiveCheckResult opened = CheckArchivePassword(check.header, U16(dialog.m_strPassword));
    if (opened != ArchiveCheckResult::kOk) return ShowOutcome(m_hWnd, CheckRefusalBox(opened));
    password = dialog.m_strPassword;
  }
  m_strArchivePath = path;
  m_strJobPassword = password;
  StartRestoreThread();
}

void CMainFrame::StartRestoreThread() {
  RestoreJobOptions options;
  options.strArchivePath = EnginePath(m_strArchivePath);
  options.strPassword = U16(m_strJobPassword);
  options.hNotifyWindow = m_hJobWindow;
  BeginJob();
  m_bRestoreRunning = true;
  const WindowHandle hJobWindow = m_hJobWindow;
  (void)m_worker.Start([this, options = std::move(options), hJobWindow] {
    m_restoreSummary = RunRestore(options);
    // A restore changes the sizes shown. Items of its own: the window's stay on the
    // window's thread.
    m_restoredRows = MeasureItemRows(MakeBackupItems(0, 0));
    (void)Os().PostMessageW(hJobWindow, WM_JOB_DONE, 0, 0);
  });
}

void CMainFrame::BeginJob() {
  m_bJobRunning = true;
  m_bCloseWhenJobEnds = false;
  m_bStopRequested.store(false);
  EnableJobCommands(false);
  // A new job starts from an empty bar, not from where the last one ended.
  SendMessageW(m_wndProgress, PBM_SETRANGE32, 0, 100);
  SendMessageW(m_wndProgress, PBM_SETPOS, 0, 0);
  ShowWindow(m_wndProgress, SW_SHOW);
}

void CMainFrame::EnableJobCommands(bool bEnable) {
  const HMENU hMenu = GetMenu(m_hWnd);
  for (int nCommand : {ID_FILE_BACKUP, ID_FILE_RESTORE}) {
    if (hMenu) EnableMenuItem(hMenu, static_cast<UINT>(nCommand), MF_BYCOMMAND | (bEnable ? MF_ENABLED : MF_GRAYED));
    SendMessageW(m_wndToolBar, TB_ENABLEBUTTON, static_cast<WPARAM>(nCommand), MAKELPARAM(bEnable ? TRUE : FALSE, 0));
  }
}

void CMainFrame::OnJobProgress(WPARAM wParam, LPARAM lParam) {
  // 0 leaves the position or the range as it is, so the bar never drops back to
  // empty between two items. A position past the range shows a full bar.
  const int top = static_cast<int>(SendMessageW(m_wndProgress, PBM_GETRANGE, FALSE, 0));
  if (wParam != 0) {
    SendMessageW(m_wndProgress, PBM_SETPOS, static_cast<WPARAM>(std::min<std::uint64_t>(wParam, std::max(top, 0))), 0);
  }
  if (lParam > 0) {
    const int position = static_cast<int>(SendMessageW(m_wndProgress, PBM_GETPOS, 0, 0));
    const int newTop = static_cast<int>(std::min<std::int64_t>(lParam, INT32_MAX));
    SendMessageW(m_wndProgress, PBM_SETRANGE32, 0, newTop);
    SendMessageW(m_wndProgress, PBM_SETPOS, static_cast<WPARAM>(std::min(position, newTop)), 0);
  }
}

void CMainFrame::OnJobDone() {
  if (!m_bJobRunning) return;
  if (m_bAskingToClose) {
    // The close question asks about a job that is over: it goes first, and the
    // outcome is told once it has gone (OnClose), never over it.
    m_bJobEndedWhileAsking = true;
    DismissCloseQuestion();
    return;
  }
  FinishJob();
  if (m_bCloseWhenJobEnds) DestroyWindow(m_hWnd);
}

void CMainFrame::FinishJob() {
  // The worker posted WM_JOB_DONE as its last act: it is done at once, and
  // waiting for it makes what it wrote ours to read.
  WaitForWorker();
  if (m_bBackupRunning) {
    ShowOutcome(m_hWnd, BackupOutcomeBox(m_backupSummary, m_bCloseWhenJobEnds));
  } else if (m_bRestoreRunning) {
    m_wndView.SetRows(m_restoredRows);
    ShowOutcome(m_hWnd, RestoreOutcomeBox(m_restoreSummary));
  }
  ShowWindow(m_wndProgress, SW_HIDE);
  EndJob();
}

void CMainFrame::WaitForWorker() { m_worker.Wait(); }

void CMainFrame::EndJob() {
  m_bBackupRunning = false;
  m_bRestoreRunning = false;
  m_backupSummary = {};
  m_restoreSummary = RestoreSummary{};
  m_restoredRows.clear();
  m_strJobPassword.assign(m_strJobPassword.size(), L'\0');  // no longer needed: keep it out of memory
  m_strJobPassword.clear();
  m_bJobRunning = false;
  EnableJobCommands(true);
  SetStatusText(L"");
}

void CMainFrame::OnClose() {
  if (!m_bJobRunning) {
    DestroyWindow(m_hWnd);
    return;
  }
  if (m_bCloseWhenJobEnds) return;  // asked already; the window closes when the job ends
  const bool bBackup = m_bBackupRunning;
  m_bAskingToClose = true;
  const int answer = ShowBox(m_hWnd, CloseQuestionText(bBackup), kQuestionCaption,
                             MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
  m_bAskingToClose = false;
  const bool bYes = answer == IDYES;
  if (m_bJobEndedWhileAsking) {
    // The job's end took the question down; now that it is gone, the outcome is
    // told. A yes that came before the end still closes the window.
    m_bJobEndedWhileAsking = false;
    FinishJob();
    if (bYes) DestroyWindow(m_hWnd);
    return;
  }
  if (!bYes) return;
  m_bCloseWhenJobEnds = true;
  if (bBackup) {
    m_bStopRequested.store(true);
    SetStatusText(Wide(kStoppingBackupText));
  } else {
    SetStatusText(Wide(kClosingAfterRestoreText));
  }
}

void CMainFrame::DismissCloseQuestion() {
  struct Search {
    HWND hOwner;
    HWND hFound;
  } search{m_hWnd, nullptr};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND hWnd, LPARAM lParam) -> BOOL {
        auto* pSearch = reinterpret_cast<Search*>(lParam);
        wchar_t className[16] = {};
        GetClassNameW(hWnd, className, 16);
        if (GetWindow(hWnd, GW_OWNER) == pSearch->hOwner && std::wstring(className) == L"#32770") {
          pSearch->hFound = hWnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  if (search.hFound != nullptr) PostMessageW(search.hFound, WM_COMMAND, IDNO, 0);
}

void CMainFrame::OnDestroy() {
  // Only after the job ended (OnClose waits for it), but never leave a worker behind.
  m_bStopRequested.store(true);
  WaitForWorker();
  if (m_hJobWindow != 0) {
    Os().UnregisterWindow(m_hJobWindow);
    m_hJobWindow = 0;
  }
  PostQuitMessage(0);
}

}  // namespace qv::app::win32
