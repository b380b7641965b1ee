#include "app/quorvel_app.h"

#include <QCoreApplication>

#include "app/dialogs/splash_dialog.h"
#include "app/main_frame.h"
#include "app/startup/command_line.h"
#include "app/startup/desktop_registration.h"
#include "app/startup/file_association.h"
#include "app/user_prompts.h"
#include "platform/platform.h"

namespace qv::app {

CQuorvelApp::CQuorvelApp() = default;

CQuorvelApp::~CQuorvelApp() = default;

void CQuorvelApp::InitInstance(const QStringList& arguments) {
  {
    CSplashDialog splash;
    (void)Prompts().RunDialog(splash);  // Continue or the close box: start either way
  }

  m_pMainWnd = std::make_unique<CMainFrame>();  // with its icon and its rows

  RegisterFileAssociation(Os().GetModuleFileNameW());
  m_desktopRefresh = RegisterWithDesktop(QCoreApplication::applicationFilePath());

  // Painted by the event loop, which a password dialog or a message starts too.
  m_pMainWnd->show();

  const QString archive = ArchiveArgument(arguments);
  if (!archive.isEmpty()) m_pMainWnd->RestoreFromArchive(archive);
}

}  // namespace qv::app
