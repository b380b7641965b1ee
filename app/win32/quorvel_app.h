// The program on Win32: brings up the common controls, OLE and the platform,
// shows the splash, makes the main window, writes the ".qvl" association for this
// user, and restores the archive that the command line names.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "app/win32/main_frame.h"

namespace qv::app::win32 {

// The archive to restore: the first argument that is no switch ("/" or "-" first),
// or empty. `arguments` starts with the program's own path.
std::wstring ArchiveArgument(int argc, const wchar_t* const* argv);

// Writes the association below HKEY_CURRENT_USER\Software\Classes, which needs no
// administrator, and tells the shell that associations changed.
void RegisterFileAssociation();

class CQuorvelApp {
 public:
  CQuorvelApp() = default;
  ~CQuorvelApp();
  CQuorvelApp(const CQuorvelApp&) = delete;
  CQuorvelApp& operator=(const CQuorvelApp&) = delete;

  // True to enter the message loop.
  bool InitInstance();
  // Until the main window is gone; the exit code.
  int Run();

 private:
  bool m_bOleReady = false;
  std::unique_ptr<CMainFrame> m_pMainWnd;
};

}  // namespace qv::app::win32
