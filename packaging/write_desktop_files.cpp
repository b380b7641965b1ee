// Build-time tool: writes the desktop entry, the MIME package and the icons that
// the program writes for a user at start (app/startup/desktop_files.h), here for
// the installed program, below the folder it is given (the build tree's share/,
// from which they are installed). Draws the icons, so it needs Qt's GUI; the
// offscreen platform does, without a display.
#include <QGuiApplication>
#include <cstdio>

#include "app/startup/desktop_files.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: quorvel_desktop_files SHARE_FOLDER\n", stderr);
    return 2;
  }
  const std::string folder = argv[1];
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  const qv::Status status = qv::WriteDataFiles(folder, qv::app::DesktopFiles(QString()));
  if (!status.ok()) {
    std::fprintf(stderr, "quorvel_desktop_files: %s\n", status.message().c_str());
    return 1;
  }
  return 0;
}
