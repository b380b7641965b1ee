// platform/linux/desktop/ owns what tells a Linux desktop about the program: the files
// it reads (a desktop entry, a MIME package, icons) and the programs that rebuild
// its caches from them.
//
// Writing those files below a data folder: the user's ($XDG_DATA_HOME) at the
// start of a copy that is not installed, or an install tree's share/ at build
// time; and taking a user's away again.
#pragma once

#include <string>
#include <vector>

#include "platform/status.h"

namespace qv {

struct DataFile {
  std::string strRelativePath;  // below the data folder, with '/': "applications/quorvel.desktop"
  std::string strBytes;
};

// Writes every file whole below `dataFolder`, creating folders, each through a
// temporary file and a rename so that a reader never sees half a file. Goes on
// past a failure and returns the first one. Not synced to the disk: the files are
// written again at the next start, and a crash loses nothing else.
Status WriteDataFiles(const std::string& dataFolder, const std::vector<DataFile>& files);

// Deletes the files at `relativePaths` below `dataFolder`; one that is not there
// is no failure. Folders stay. Goes on past a failure and returns the first one.
Status RemoveDataFiles(const std::string& dataFolder, const std::vector<std::string>& relativePaths);

}  // namespace qv
