// Placeholder until the backup job exists.
#include <CLI/CLI.hpp>
#include <iostream>

#include "cli/commands.h"

namespace qv::cli {

void AddBackupCommand(CLI::App& app, int& exitCode) {
  auto* command = app.add_subcommand("backup", "Backup (not available yet)");
  command->callback([&exitCode] {
    std::cerr << "qvl: backup is not available yet\n";
    exitCode = kExitFailed;
  });
}

}  // namespace qv::cli
