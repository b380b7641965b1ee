// quorvel: the window. Opens the main window on the chosen profile folder
// (--profile=DIR, else QUORVEL_PROFILE, else the default) and restores the
// archive that the command line names.
#include <QApplication>
#include <QStringList>
#include <cstdio>

#include "app/app_platform.h"
#include "app/quorvel_app.h"
#include "app/resources/pictures.h"
#include "app/startup/command_line.h"

namespace {

constexpr char kUsage[] =
    "Usage: quorvel [--profile=DIR] [ARCHIVE]\n"
    "Backs up and restores Internet Explorer favorites and settings.\n"
    "\n"
    "  ARCHIVE          restore this archive at start (a .qvl file)\n"
    "  --profile=DIR    the profile folder: DIR/Favorites and DIR/NTUSER.DAT\n"
    "                   (else $QUORVEL_PROFILE, else ~/.local/share/quorvel/profile,\n"
    "                   which the first start makes); --profile DIR is the same\n"
    "  -h, --help       show this text and end\n"
    "  --version        show the version and end\n"
    "\n"
    "Qt's own options (-style, -platform ...) are taken too.\n"
    "qvl(1) does the same from a terminal.\n";

QStringList ArgumentsOf(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  return arguments;
}

}  // namespace

int main(int argc, char** argv) {
  // Answered before Qt starts: they work without a display, and a refused line
  // makes no window.
  const qv::app::CommandLine line = qv::app::ParseCommandLine(ArgumentsOf(argc, argv));
  if (line.bHelp) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (line.bVersion) {
    std::fputs("quorvel " QUORVEL_VERSION "\n", stdout);
    return 0;
  }
  if (!line.strError.isEmpty()) {
    std::fprintf(stderr, "quorvel: %s\nRun quorvel --help for the options.\n", qPrintable(line.strError));
    return 2;
  }
  // A mistyped or unmounted profile would otherwise open as an empty one.
  if (const std::string problem = qv::app::PrepareProfileFolder(line.strProfile.toStdString()); !problem.empty()) {
    std::fprintf(stderr, "quorvel: %s\n", problem.c_str());
    return 1;
  }

  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quorvel"));
  QApplication::setApplicationVersion(QStringLiteral(QUORVEL_VERSION));
  QApplication::setWindowIcon(qv::app::LoadAppIcon());
  qv::app::InstallAppPlatform(line.strProfile.toStdString());

  qv::app::CQuorvelApp app;
  app.InitInstance(QApplication::arguments());
  return QApplication::exec();
}
