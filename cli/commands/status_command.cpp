// qvl status: the backup items with their sizes, as the window's item list shows them.
#include <CLI/CLI.hpp>
#include <iomanip>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/commands/profile_check.h"
#include "cli/output/json_output.h"
#include "jobs/backup_item_size_text.h"
#include "jobs/backup_items.h"
#include "platform/text/text.h"

namespace qv::cli {
namespace {

struct StatusArgs {
  std::string strProfileDir;
  bool bJson = false;
  bool bQuiet = false;
};

int RunStatusCommand(const StatusArgs& args) {
  InstallPlatform(args.strProfileDir);
  // Looking makes nothing, so a missing profile would show as an empty one.
  if (const std::optional<std::string> problem = ProfileProblem(args.strProfileDir, ProfileUse::kShow)) {
    std::cerr << "qvl status: " << *problem << "\n";
    return kExitFailed;
  }
  const std::string profile = ResolvedProfile(args.strProfileDir);
  // Quiet, the exit code alone tells whether the profile can be read.
  if (args.bQuiet && !args.bJson) return kExitSuccess;
  if (!args.bJson) std::cout << std::left << std::setw(14) << "Profile" << profile << "\n";
  Json json = {{"profile", profile}, {"items", Json::array()}};
  for (const auto& item : MakeBackupItems(0, WM_JOB_PROGRESS)) {
    const std::uint64_t size = item->GetSize();
    if (args.bJson) {
      json["items"].push_back({{"name", ToUtf8(item->GetName())}, {"bytes", size}});
    } else {
      std::cout << std::left << std::setw(14) << ToUtf8(item->GetName()) << ItemSizeText(size) << "\n";
    }
  }
  if (args.bJson) std::cout << JsonText(json);
  return kExitSuccess;
}

}  // namespace

void AddStatusCommand(CLI::App& app, int& exitCode) {
  auto args = std::make_shared<StatusArgs>();
  auto* command = app.add_subcommand(
      "status", "Show the backup items of the profile (Favorites, IE Settings) with their sizes");
  AddProfileOption(*command, args->strProfileDir);
  AddJsonFlag(*command, args->bJson, "the items and their sizes in bytes");
  AddQuietFlag(*command, args->bQuiet, "Print nothing: the exit code says whether the profile can be read");
  command->footer("Sizes are shown in whole kilobytes (bytes divided by 1024, rounded down), as the window "
                  "shows them; --json gives the bytes. The profile folder must exist and hold Favorites/ or "
                  "NTUSER.DAT; looking makes nothing in it.\n"
                  "Exit codes: 0 shown, 1 the profile folder does not exist or is no profile, 2 usage error.");
  command->callback([args, &exitCode] { exitCode = RunStatusCommand(*args); });
}

}  // namespace qv::cli
