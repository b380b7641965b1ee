// What every command that reads an archive does first: find the file the user
// named, check it as a restore does, and get its password when it has one.
#pragma once

#include <string>

#include "jobs/archive_check.h"

namespace qv::cli {

struct ArchiveArgs {
  std::string strArchive;  // as the user gave it
  std::string strPasswordFile;
  bool bJson = false;
  bool bQuiet = false;
};

struct OpenedArchive {
  int nExitCode = -1;       // 0 or more: stop with this code; the reason was printed
  std::u16string strPath;   // Windows form
  std::string strShown;     // native, absolute
  ArchiveCheck check;
  bool bHasPassword = false;
  std::u16string strPassword;
};

// `passwordNeeded`: a protected archive cannot be read without its password;
// otherwise one is used only when a file or QVL_PASSWORD gives it.
OpenedArchive OpenArchive(const std::string& command, const ArchiveArgs& args, bool passwordNeeded);

// A refused archive: the restore's message, then "qvl COMMAND: detail"; with --json
// also {"archive", "error", "detail"} on standard output.
void PrintRefusal(const std::string& command, const ArchiveArgs& args, const std::string& shown,
                  std::string_view message, const std::string& detail);

}  // namespace qv::cli
