// At start: the desktop learns that this copy of the program opens ".qvl" files.
// The installed program is known to it through the package's files below the
// system's share/; a copy started from anywhere else (a build folder, an unpacked
// tree) writes the same files below the user's data folder, which shadow the
// system's for that user. Such a registration must not outlive the copy it names:
// the installed program takes away one that names itself or a program that is
// gone, so that nothing of ours answers for ".qvl" once the package is removed.
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "platform/linux/desktop/detached_run.h"

namespace qv::app {

// Whether `programPath` is the program installed system-wide: it lies in
// PREFIX/bin, and PREFIX/share is one of `systemDataDirs` and holds our desktop
// entry. Links in either path are followed.
bool IsInstalledSystemWide(const std::string& programPath, const std::vector<std::string>& systemDataDirs);

// The program that the user's desktop entry of ours below `dataHome` runs, or
// empty when there is no such entry or it is not one we write (a user's own).
std::string RegisteredProgram(const std::string& dataHome);

// A copy not installed system-wide ($XDG_DATA_DIRS, SystemDataDirs): writes
// DesktopFiles(programPath) below $XDG_DATA_HOME (else ~/.local/share). The
// installed program: writes nothing, and removes the user's registration when it
// names this program or one that is gone; one naming another copy that is still
// there stays, as the user started that copy last. Where files changed, starts
// update-mime-database and update-desktop-database there, those of them that are
// installed, without waiting for them. Nothing is reported: without the files the
// program runs as before, only a file manager does not know it.
DetachedRun RegisterWithDesktop(const QString& programPath);

}  // namespace qv::app
