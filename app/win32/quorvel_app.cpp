#include "app/win32/quorvel_app.h"

#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>

#include "app/resources/resource_ids.h"
#include "app/startup/file_association.h"
#include "app/win32/dialogs.h"
#include "app/win32/prompts.h"
#include "platform/platform.h"
#include "platform/win32/win32_platform.h"

namespace qv::app::win32 {
namespace {

constexpr int kOleInitFailed = 100;

std::wstring ResourceString(int nId) {
  const wchar_t* text = nullptr;
  const int length = LoadStringW(GetModuleHandleW(nullptr), static_cast<UINT>(nId), reinterpret_cast<LPWSTR>(&text), 0);
  return length > 0 && text ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
}

}  // namespace

std::wstring ArchiveArgument(int argc, const wchar_t* const* argv) {
  for (int i = 1; i < argc; ++i) {
    const wchar_t* argument = argv[i];
    if (argument[0] == L'/' || argument[0] == L'-') continue;
    if (argument[0] != L'\0') return argument;
  }
  return {};
}

void RegisterFileAssociation() {
  qv::app::RegisterFileAssociation(Os().GetModuleFileNameW());
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}

CQuorvelApp::~CQuorvelApp() {
  m_pMainWnd.reset();
  if (m_bOleReady) OleUninitialize();
}

bool CQuorvelApp::InitInstance() {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_COOL_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  if (FAILED(OleInitialize(nullptr))) {
    MessageBoxW(nullptr, ResourceString(kOleInitFailed).c_str(), LoadText(IDR_MAINFRAME).c_str(), MB_OK | MB_ICONERROR);
    return false;
  }
  m_bOleReady = true;
  // This user's own Favorites folder and HKEY_CURRENT_USER.
  InstallWin32PlatformForProcess({});

  {
    CSplashDialog splash(nullptr);
    (void)splash.DoModal();  // Continue or the close box: start either way
  }

  m_pMainWnd = std::make_unique<CMainFrame>();
  if (!m_pMainWnd->LoadFrame()) {
    MessageBoxW(nullptr, L"The main window could not be made.", LoadText(IDR_MAINFRAME).c_str(), MB_OK | MB_ICONERROR);
    return false;
  }

  RegisterFileAssociation();

  ShowWindow(m_pMainWnd->Handle(), SW_SHOW);
  UpdateWindow(m_pMainWnd->Handle());

  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  const std::wstring archive = argv ? ArchiveArgument(argc, argv) : std::wstring();
  if (argv) LocalFree(argv);
  if (!archive.empty()) m_pMainWnd->RestoreFromArchive(archive);
  return true;
}

int CQuorvelApp::Run() {
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    const HWND hFrame = m_pMainWnd ? m_pMainWnd->Handle() : nullptr;
    if (hFrame != nullptr && TranslateAcceleratorW(hFrame, m_pMainWnd->Accelerators(), &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace qv::app::win32
