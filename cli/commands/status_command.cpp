// qvl status: the backup items with their sizes, as the window's item list shows them.
#include <CLI/CLI.hpp>
#include <iomanip>
#include <iostream>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/output/json_writer.h"
#include "jobs/backup_item_size_text.h"
#include "jobs/backup_items.h"
#include "platform/text/text.h"

namespace qv::cli {
namespace {

struct StatusArgs {
  std::string strProfileDir;
  bool bJson = false;
};

int RunStatusCommand(const StatusArgs& args) {
  InstallPlatform(args.strProfileDir);
  JsonWriter json;
  json.BeginObject().Key("profile").String(ResolvedProfile(args.strProfileDir)).Key("items").BeginArray();
  for (const auto& item : MakeBackupItems(0, WM_JOB_PROGRESS)) {
    const std::uint64_t size = item->GetSize();
    if (args.bJson) {
      json.BeginObject().Key("name").String(ToUtf8(item->GetName())).Key("bytes").Number(size).EndObject();
    } else {
      std::cout << std::left << std::setw(14) << ToUtf8(item->GetName()) << ItemSizeText(size) << "\n";
    }
  }
  if (args.bJson) std::cout << json.EndArray().EndObject().Text();
  return kExitSuccess;
}

}  // namespace

void AddStatusCommand(CLI::App& app, int& exitCode) {
  auto args = std::make_shared<StatusArgs>();
  auto* command = app.add_subcommand(
      "status", "Show the backup items of the profile (Favorites, IE Settings) with their sizes");
  AddProfileOption(*command, args->strProfileDir);
  AddJsonFlag(*command, args->bJson, "the items and their sizes in bytes");
  command->footer("Sizes are shown in whole kilobytes (bytes divided by 1024, rounded down), as the window "
                  "shows them; --json gives the bytes.");
  command->callback([args, &exitCode] { exitCode = RunStatusCommand(*args); });
}

}  // namespace qv::cli
