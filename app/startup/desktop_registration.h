// At every start: the desktop files below the user's data folder, then the
// desktop's MIME and application caches rebuilt from them, so that opening a
// ".qvl" file in a file manager starts this copy of the program.
#pragma once

#include <QString>

#include "platform/linux/desktop/detached_run.h"

namespace qv::app {

// Writes DesktopFiles(programPath) below $XDG_DATA_HOME (else ~/.local/share)
// and starts update-mime-database and update-desktop-database there, those of
// them that are installed, without waiting for them. Nothing is reported: without
// the files the program runs as before, only a file manager does not know it.
DetachedRun RegisterWithDesktop(const QString& programPath);

}  // namespace qv::app
