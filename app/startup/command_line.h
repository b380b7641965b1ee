// The program's command line: its own options, Qt's, and the archive to restore.
#pragma once

#include <QString>
#include <QStringList>

namespace qv::app {

struct CommandLine {
  QString strProfile;  // --profile=DIR or --profile DIR; empty: QUORVEL_PROFILE, else the default
  QString strArchive;  // the first argument that is no option; empty when there is none
  bool bHelp = false;
  bool bVersion = false;
  QString strError;  // why the line is refused, for the terminal; empty when it is fine
};

// `arguments` starts with the program's name. Qt's own options (-style, -platform,
// -display ...) are taken, with their values, and otherwise ignored: QApplication
// acts on them. Anything else that starts with '-' before a "--" is an option, and
// one we do not know refuses the line, so that a mistyped --profile never restores
// into the wrong profile. A leading '/' is no option, as it would be on Windows: it
// starts every absolute path, and a file manager hands us one.
CommandLine ParseCommandLine(const QStringList& arguments);

// The archive of ParseCommandLine, also from a line it refuses.
QString ArchiveArgument(const QStringList& arguments);

}  // namespace qv::app
