// Placeholder until the restore job exists.
#include <CLI/CLI.hpp>
#include <iostream>

#include "cli/commands.h"

namespace qv::cli {

void AddRestoreCommand(CLI::App& app, int& exitCode) {
  auto* command = app.add_subcommand("restore", "Restore (not available yet)");
  command->callback([&exitCode] {
    std::cerr << "qvl: restore is not available yet\n";
    exitCode = kExitFailed;
  });
}

}  // namespace qv::cli
