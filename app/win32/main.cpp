// quorvel.exe: the window on Win32. quorvel.exe [ARCHIVE] restores the archive at
// start, as opening a ".qvl" file in the shell does.
#include <windows.h>

#include "app/win32/quorvel_app.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  qv::app::win32::CQuorvelApp app;
  if (!app.InitInstance()) return 1;
  return app.Run();
}
