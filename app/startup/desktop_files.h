// What a Linux desktop is told of us, as files below a data folder: the desktop
// entry that opens an archive with the program (applications/), the archive's
// MIME type with its glob and magic (mime/packages/), and the program's icon in
// the hicolor theme (icons/). The same files go below the user's data folder at
// the start of a copy that is not installed, and below the install prefix's share/.
#pragma once

#include <QString>
#include <vector>

#include "platform/linux/desktop/data_files.h"

namespace qv::app {

inline constexpr char kArchiveMimeType[] = "application/x-quorvel-archive";
inline constexpr char kDesktopEntryFile[] = "applications/quorvel.desktop";
inline constexpr char kMimePackageFile[] = "mime/packages/quorvel.xml";
inline constexpr int kIconSizes[] = {16, 24, 48, 256};

// `programPath` (native, absolute) is what the entry runs, so that a copy started
// from anywhere opens archives with itself. Empty: the installed "quorvel", found
// on PATH. Without a path the entry cannot name (it holds a control character),
// the entry is left out.
std::vector<DataFile> DesktopFiles(const QString& programPath);

// Where DesktopFiles puts its files below a data folder, without drawing them.
std::vector<std::string> DesktopFilePaths();

// `path` as one argument of a desktop entry's Exec key: quoted and escaped only
// where the entry's rules need it, as some launchers split the key at blanks
// and know no quotes. Empty when the rules cannot carry it.
QString DesktopExecArgument(const QString& path);

}  // namespace qv::app
