// qvl: the scriptable front end. It parses options, runs one job and returns the
// job's real outcome as its exit code.
#include <CLI/CLI.hpp>
#include <iostream>
#include <string>
#include <string_view>

#include "cli/commands.h"
#include "cli/manual/man_page.h"
#include "cli/manual/manual_text.h"
#include "cli/output/standard_output.h"

#ifndef QUORVEL_VERSION
#define QUORVEL_VERSION "unknown"
#endif

namespace {

std::string CommandList(const CLI::App& app) {
  std::string list;
  for (const CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; })) {
    list += "  " + command->get_name() + std::string(18 - std::min<std::size_t>(17, command->get_name().size()), ' ') +
            command->get_description() + "\n";
  }
  return list;
}

// CLI11 would only say that "the following argument was not expected".
bool IsKnownCommand(const CLI::App& app, std::string_view name) {
  for (const CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; })) {
    if (command->get_name() == name) return true;
  }
  return false;
}

int Run(int argc, char** argv) {
  qv::cli::InstallCheckedStandardOutput();
  CLI::App app{std::string(qv::cli::kProgramName) + ": " + qv::cli::kProgramSummary + ".", "qvl"};
  app.require_subcommand(1);
  app.footer(std::string(qv::cli::kProfileText) + "\nRun qvl COMMAND --help for a command's options.");
  app.set_version_flag("--version", std::string("qvl ") + QUORVEL_VERSION);

  int exitCode = qv::cli::kExitSuccess;
  qv::cli::AddBackupCommand(app, exitCode);
  qv::cli::AddRestoreCommand(app, exitCode);
  qv::cli::AddStatusCommand(app, exitCode);
  qv::cli::AddListCommand(app, exitCode);
  qv::cli::AddVerifyCommand(app, exitCode);
  qv::cli::AddExtractCommand(app, exitCode);
  qv::cli::AddExportBookmarksCommand(app, exitCode);

  // CLI11 ends help with the footer as it is; a line feed keeps the shell prompt
  // off its last line.
  app.footer(app.get_footer() + "\n");
  for (CLI::App* command : app.get_subcommands([](CLI::App*) { return true; })) {
    command->footer(command->get_footer() + "\n");
  }

  if (argc == 2 && std::string_view(argv[1]) == "--man-page") {
    std::cout << qv::cli::ManPage(app, QUORVEL_VERSION);
    return qv::cli::kExitSuccess;
  }
  if (argc < 2 || (argv[1][0] != '-' && !IsKnownCommand(app, argv[1]))) {
    std::cerr << "qvl: " << (argc < 2 ? std::string("no command given") : "unknown command \"" + std::string(argv[1]) + "\"")
              << "\nCommands:\n"
              << CommandList(app) << "Run qvl --help for more.\n";
    return qv::cli::kExitUsage;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? qv::cli::kExitSuccess : qv::cli::kExitUsage;
  }
  return exitCode;
}

}  // namespace

// On Windows wmain (cli/platform_setup_win32.cpp) calls this with the arguments in
// UTF-8.
int QvlMain(int argc, char** argv) {
  const int exitCode = Run(argc, argv);
  // Named as the command's own messages name it; "qvl" before one was chosen.
  const std::string command =
      argc >= 2 && argv[1][0] != '-' ? "qvl " + std::string(argv[1]) : std::string("qvl");
  return qv::cli::CloseStandardOutput(exitCode, command);
}

#ifndef _WIN32
int main(int argc, char** argv) { return QvlMain(argc, argv); }
#endif
