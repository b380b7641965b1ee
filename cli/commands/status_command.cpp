// qvl status: the backup items with their sizes, as the window's item list shows them.
#include <CLI/CLI.hpp>
#include <iomanip>
#include <iostream>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "jobs/backup_item_size_text.h"
#include "jobs/backup_items.h"
#include "platform/text.h"

namespace qv::cli {

void AddStatusCommand(CLI::App& app, int& exitCode) {
  auto profileDir = std::make_shared<std::string>();
  auto* command = app.add_subcommand(
      "status", "Show the backup items of the profile (Favorites, IE Settings) with their sizes");
  AddProfileOption(*command, *profileDir);
  command->callback([profileDir, &exitCode] {
    InstallPlatform(*profileDir);
    for (const auto& item : MakeBackupItems(0, WM_JOB_PROGRESS)) {
      std::cout << std::left << std::setw(14) << ToUtf8(item->GetName())
                << ItemSizeText(item->GetSize()) << "\n";
    }
    exitCode = kExitSuccess;
  });
}

}  // namespace qv::cli
