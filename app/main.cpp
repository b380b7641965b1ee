// quorvel: the window. Opens the main window on the chosen profile folder
// (--profile=DIR, else QUORVEL_PROFILE, else the default).
#include <QApplication>

#include "app/app_platform.h"
#include "app/main_frame.h"
#include "app/resources/pictures.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quorvel"));
  QApplication::setWindowIcon(qv::app::LoadAppIcon());
  qv::app::InstallAppPlatform(qv::app::ProfileOption(QApplication::arguments()));

  qv::app::CMainFrame frame;
  frame.show();
  return QApplication::exec();
}
