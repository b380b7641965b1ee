#include "app/win32/dialogs.h"

#include <algorithm>

#include "app/dialogs/backup_checks.h"
#include "app/resources/resource_ids.h"
#include "app/win32/prompts.h"
#include "app/workers/job_outcome.h"

namespace qv::app::win32 {
namespace {

constexpr int kPasswordControls[] = {IDC_PASSWORD_LABEL, IDC_PASSWORD, IDC_PASSWORD_CONFIRM};
constexpr int kTitleFontHeight = 19;  // pixels at the standard resolution

// The path as typed names a folder, or a link to one: the archive can never take
// its place, and the job would find that out only at its end.
bool IsFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A one-line label whose text the dialog font draws wider than the template made
// room for (a font with wider letters than the one the layout was measured with)
// grows to the right, up to the dialog's margin, rather than wrap out of sight.
void FitLabels(HWND hDialog) {
  const HDC hdc = GetDC(hDialog);
  if (hdc == nullptr) return;
  const HGDIOBJ hOldFont = SelectObject(hdc, reinterpret_cast<HGDIOBJ>(SendMessageW(hDialog, WM_GETFONT, 0, 0)));
  RECT client{};
  GetClientRect(hDialog, &client);
  RECT margin{0, 0, 7, 0};
  MapDialogRect(hDialog, &margin);
  for (HWND hChild = GetWindow(hDialog, GW_CHILD); hChild != nullptr; hChild = GetWindow(hChild, GW_HWNDNEXT)) {
    wchar_t className[16] = {};
    GetClassNameW(hChild, className, 16);
    const LONG_PTR style = GetWindowLongPtrW(hChild, GWL_STYLE);
    if (_wcsicmp(className, L"Static") != 0 || (style & SS_TYPEMASK) != SS_LEFT) continue;
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hChild)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(hChild, text.data(), static_cast<int>(text.size()))));
    SIZE extent{};
    if (text.empty() || !GetTextExtentPoint32W(hdc, text.c_str(), static_cast<int>(text.size()), &extent)) continue;
    RECT rect{};
    GetWindowRect(hChild, &rect);
    MapWindowPoints(nullptr, hDialog, reinterpret_cast<POINT*>(&rect), 2);
    const int room = client.right - margin.right - rect.left;
    if (extent.cx > rect.right - rect.left) {
      SetWindowPos(hChild, nullptr, 0, 0, std::min<int>(extent.cx + 1, room), rect.bottom - rect.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  SelectObject(hdc, hOldFont);
  ReleaseDC(hDialog, hdc);
}

}  // namespace

INT_PTR CDialog::DoModal() {
  return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_nTemplate), m_hParent, DialogProc,
                         reinterpret_cast<LPARAM>(this));
}

bool CDialog::OnCommand(int nId, int) {
  if (nId == IDOK) {
    OnOK();
    return true;
  }
  if (nId == IDCANCEL) {
    EndDialog(m_hWnd, IDCANCEL);
    return true;
  }
  return false;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam) {
  if (nMessage == WM_INITDIALOG) {
    auto* pDialog = reinterpret_cast<CDialog*>(lParam);
    SetWindowLongPtrW(hWnd, DWLP_USER, lParam);
    pDialog->m_hWnd = hWnd;
    FitLabels(hWnd);
    return pDialog->OnInitDialog();
  }
  auto* pDialog = reinterpret_cast<CDialog*>(GetWindowLongPtrW(hWnd, DWLP_USER));
  if (pDialog != nullptr && nMessage == WM_COMMAND) {
    return pDialog->OnCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
  }
  return FALSE;
}

CBackupDialog::CBackupDialog(HWND hParent) : CDialog(IDD_BACKUP, hParent) {}

BOOL CBackupDialog::OnInitDialog() {
  DoDataExchange(false);
  for (int nId : kPasswordControls) EnableWindow(GetDlgItem(m_hWnd, nId), FALSE);
  return TRUE;
}

void CBackupDialog::DoDataExchange(bool bSaveAndValidate) {
  if (bSaveAndValidate) {
    m_strFileName = ItemText(m_hWnd, IDC_FILENAME);
    m_bCompress = IsDlgButtonChecked(m_hWnd, IDC_COMPRESS) == BST_CHECKED ? 1 : 0;
    m_bProtect = IsDlgButtonChecked(m_hWnd, IDC_PROTECT) == BST_CHECKED ? 1 : 0;
    m_strPassword = ItemText(m_hWnd, IDC_PASSWORD);
    m_strPasswordConfirm = ItemText(m_hWnd, IDC_PASSWORD_CONFIRM);
  } else {
    SetDlgItemTextW(m_hWnd, IDC_FILENAME, m_strFileName.c_str());
    CheckDlgButton(m_hWnd, IDC_COMPRESS, m_bCompress == 1 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(m_hWnd, IDC_PROTECT, m_bProtect == 1 ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemTextW(m_hWnd, IDC_PASSWORD, m_strPassword.c_str());
    SetDlgItemTextW(m_hWnd, IDC_PASSWORD_CONFIRM, m_strPasswordConfirm.c_str());
  }
}

bool CBackupDialog::OnCommand(int nId, int nCode) {
  if (nId == IDC_BROWSE && nCode == BN_CLICKED) {
    OnBrowse();
    return true;
  }
  if (nId == IDC_PROTECT && nCode == BN_CLICKED) {
    OnProtectClicked();
    return true;
  }
  return CDialog::OnCommand(nId, nCode);
}

void CBackupDialog::OnProtectClicked() {
  DoDataExchange(true);
  // The passwords stay in their boxes while these are disabled.
  for (int nId : kPasswordControls) EnableWindow(GetDlgItem(m_hWnd, nId), m_bProtect == 1);
}

void CBackupDialog::OnBrowse() {
  const std::wstring path = AskSaveFileName(m_hWnd, kBackupFilter, L"qvl");
  if (!path.empty()) SetDlgItemTextW(m_hWnd, IDC_FILENAME, path.c_str());
}

void CBackupDialog::OnOK() {
  DoDataExchange(true);
  const BackupEntryProblem problem =
      CheckBackupEntries(U16(m_strFileName), IsFolder(m_strFileName), m_bProtect == 1, U16(m_strPassword),
                         U16(m_strPasswordConfirm));
  if (problem.strMessage != nullptr) {
    SetFocus(GetDlgItem(m_hWnd, problem.nFocusId));
    ShowError(m_hWnd, problem.strMessage);
    return;
  }
  EndDialog(m_hWnd, IDOK);
}

CEnterPasswordDialog::CEnterPasswordDialog(HWND hParent) : CDialog(IDD_ENTER_PASSWORD, hParent) {}

void CEnterPasswordDialog::OnOK() {
  m_strPassword = ItemText(m_hWnd, IDC_PASSWORD);
  EndDialog(m_hWnd, IDOK);
}

CSplashDialog::CSplashDialog(HWND hParent) : CDialog(IDD_SPLASH, hParent) {}

bool CSplashDialog::OnCommand(int nId, int nCode) {
  if (nId == IDC_WEBSITE) {
    // There is no home page yet: the manual stands in for it. The splash stays up.
    OpenManual(m_hWnd);
    return true;
  }
  return CDialog::OnCommand(nId, nCode);
}

CAboutDlg::CAboutDlg(HWND hParent) : CDialog(IDD_ABOUTBOX, hParent) {}

CAboutDlg::~CAboutDlg() {
  if (m_fontTitle != nullptr) DeleteObject(m_fontTitle);
}

BOOL CAboutDlg::OnInitDialog() {
  const HDC hdc = GetDC(m_hWnd);
  const int dpi = hdc ? GetDeviceCaps(hdc, LOGPIXELSY) : USER_DEFAULT_SCREEN_DPI;
  if (hdc) ReleaseDC(m_hWnd, hdc);
  m_fontTitle = CreateFontW(MulDiv(kTitleFontHeight, dpi, USER_DEFAULT_SCREEN_DPI), 0, 0, 0, FW_BOLD, FALSE, FALSE,
                            FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                            DEFAULT_PITCH | FF_SWISS, L"Tahoma");
  if (m_fontTitle != nullptr) SendDlgItemMessageW(m_hWnd, IDC_TITLE, WM_SETFONT, reinterpret_cast<WPARAM>(m_fontTitle), TRUE);
  return TRUE;
}

bool CAboutDlg::OnCommand(int nId, int nCode) {
  if (nId == IDC_WEBSITE) {
    OpenManual(m_hWnd);
    return true;
  }
  return CDialog::OnCommand(nId, nCode);
}

}  // namespace qv::app::win32
