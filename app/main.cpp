// quorvel: the window. Opens the main window on the chosen profile folder
// (--profile=DIR, else QUORVEL_PROFILE, else the default) and restores the
// archive that the command line names.
#include <QApplication>
#include <cstdio>
#include <cstring>

#include "app/app_platform.h"
#include "app/quorvel_app.h"
#include "app/resources/pictures.h"

namespace {

constexpr char kUsage[] =
    "Usage: quorvel [--profile=DIR] [ARCHIVE]\n"
    "Backs up and restores Internet Explorer favorites and settings.\n"
    "\n"
    "  ARCHIVE          restore this archive at start (a .qvl file)\n"
    "  --profile=DIR    the profile folder: DIR/Favorites and DIR/NTUSER.DAT\n"
    "                   (else $QUORVEL_PROFILE, else ~/.local/share/quorvel/profile)\n"
    "  --help           show this text and end\n"
    "  --version        show the version and end\n"
    "\n"
    "qvl(1) does the same from a terminal.\n";

// Answered before Qt starts, so that they work without a display.
bool AnsweredOnTerminal(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kUsage, stdout);
      return true;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::fputs("quorvel " QUORVEL_VERSION "\n", stdout);
      return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (AnsweredOnTerminal(argc, argv)) return 0;
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quorvel"));
  QApplication::setApplicationVersion(QStringLiteral(QUORVEL_VERSION));
  QApplication::setWindowIcon(qv::app::LoadAppIcon());
  qv::app::InstallAppPlatform(qv::app::ProfileOption(QApplication::arguments()));

  qv::app::CQuorvelApp app;
  app.InitInstance(QApplication::arguments());
  return QApplication::exec();
}
