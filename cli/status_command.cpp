// Placeholder until the status job exists.
#include <CLI/CLI.hpp>
#include <iostream>

#include "cli/commands.h"

namespace qv::cli {

void AddStatusCommand(CLI::App& app, int& exitCode) {
  auto* command = app.add_subcommand("status", "Status (not available yet)");
  command->callback([&exitCode] {
    std::cerr << "qvl: status is not available yet\n";
    exitCode = kExitFailed;
  });
}

}  // namespace qv::cli
