// The application: brings the program up in its fixed order and owns the main
// window for the rest of the run.
//
// Beside QApplication rather than derived from it: Qt allows one application
// object per process, made before any widget, while the start-up is run again and
// again by the tests in one process.
#pragma once

#include <QObject>
#include <QStringList>
#include <memory>

#include "platform/linux/desktop/detached_run.h"

namespace qv::app {

class CMainFrame;

class CQuorvelApp : public QObject {
  Q_OBJECT

 public:
  CQuorvelApp();
  ~CQuorvelApp() override;

  // Once, with the program's arguments (Qt's own already taken out): the welcome
  // dialog; the main window; the ".qvl" association for this program; the window
  // shown; then the restore of the archive that the arguments name, with the
  // Restore command's checks, password dialog and messages. The window stays open
  // afterwards, whatever the restore did.
  //
  // What the same start-up does on Windows before the welcome dialog has no
  // counterpart here: Qt draws its own controls (no common-controls library to
  // load), nothing uses OLE or hosts controls, and there is no framework settings
  // key (nothing of ours is kept in the registry). So nothing can fail early with
  // a message: without a display Qt ends the program before we run.
  void InitInstance(const QStringList& arguments);

  CMainFrame* MainWindow() const { return m_pMainWnd.get(); }
  // Waits until the desktop's caches have been rebuilt from the files the start
  // wrote. The program never does; a test does before it removes them.
  void WaitForDesktopRefresh() { m_desktopRefresh.Wait(); }

 private:
  std::unique_ptr<CMainFrame> m_pMainWnd;
  DetachedRun m_desktopRefresh;
};

}  // namespace qv::app
