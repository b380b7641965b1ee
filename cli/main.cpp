// qvl: the scriptable front end. It parses options, runs one job and returns the
// job's real outcome as its exit code.
#include <CLI/CLI.hpp>

#include "cli/commands.h"

int main(int argc, char** argv) {
  CLI::App app{"qvl: back up and restore Internet Explorer favorites and settings "
               "to and from one archive (.qvl)."};
  app.require_subcommand(1);
  app.footer("The profile folder holds Favorites/ and NTUSER.DAT. Choose it with "
             "--profile=DIR or QUORVEL_PROFILE; the default is "
             "$XDG_DATA_HOME/quorvel/profile.");

  int exitCode = qv::cli::kExitSuccess;
  qv::cli::AddBackupCommand(app, exitCode);
  qv::cli::AddRestoreCommand(app, exitCode);
  qv::cli::AddStatusCommand(app, exitCode);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? qv::cli::kExitSuccess : qv::cli::kExitUsage;
  }
  return exitCode;
}
