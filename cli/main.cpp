// qvl: the scriptable front end. It parses options, runs one job and returns the
// job's real outcome as its exit code.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "cli/manual/man_page.h"
#include "cli/manual/manual_text.h"
#include "cli/output/standard_output.h"

#ifndef QUORVEL_VERSION
#define QUORVEL_VERSION "unknown"
#endif
#ifndef QUORVEL_RELEASE_DATE
#define QUORVEL_RELEASE_DATE "unknown"
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

std::vector<std::string> CommandNames(const CLI::App& app) {
  std::vector<std::string> names;
  for (const CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; })) {
    names.push_back(command->get_name());
  }
  return names;
}

// "--compress", "-q", ... as a user types them.
std::vector<std::string> OptionNames(const CLI::App& command) {
  std::vector<std::string> names;
  for (const CLI::Option* option : command.get_options()) {
    for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
    for (const std::string& name : option->get_snames()) names.push_back("-" + name);
  }
  return names;
}

// Edits from one to the other, a swap of two neighbours counting as one.
std::size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  }
  return d[a.size()][b.size()];
}

// "; did you mean "backup"?" for a near miss: two edits at most (fewer for a short
// name), or the start of a longer name; empty when nothing is near.
std::string DidYouMean(std::string_view typed, const std::vector<std::string>& names) {
  const std::string* best = nullptr;
  std::size_t bestDistance = std::min<std::size_t>(2, typed.size() / 3 + 1) + 1;
  for (const std::string& name : names) {
    const std::size_t distance = typed.size() >= 3 && name.starts_with(typed) ? 1 : EditDistance(typed, name);
    if (distance < bestDistance) {
      best = &name;
      bestDistance = distance;
    }
  }
  return best == nullptr ? std::string() : "; did you mean \"" + *best + "\"?";
}

// An option as typed, without a value given with "=": a value may be a secret.
std::string OptionName(std::string_view argument) { return std::string(argument.substr(0, argument.find('='))); }

bool IsKnownCommand(const CLI::App& app, std::string_view name) {
  const std::vector<std::string> names = CommandNames(app);
  return std::find(names.begin(), names.end(), name) != names.end();
}

// What is wrong with a line CLI11 refused, named as the user typed it.
std::string UsageProblem(const CLI::ParseError& error, const CLI::App& app, const CLI::App& command) {
  if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) {
    const std::vector<std::string> extras = app.remaining(true);
    if (!extras.empty()) {
      const std::string more =
          extras.size() > 1 ? " (and " + std::to_string(extras.size() - 1) + " more arguments not expected)" : "";
      if (extras.front().size() > 1 && extras.front()[0] == '-') {
        const std::string name = OptionName(extras.front());
        return "unknown option " + name + DidYouMean(name, OptionNames(command)) + more;
      }
      return "unexpected argument \"" + extras.front() + "\"" + more;
    }
  }
  return error.what();
}

// Before CLI11 sees the line: what it would name poorly. Empty to go on.
std::optional<int> RefuseBeforeParsing(const CLI::App& app, const std::vector<std::string>& arguments) {
  if (arguments.empty()) {
    std::cerr << "qvl: no command given\nCommands:\n" << CommandList(app) << "Run qvl --help for more.\n";
    return qv::cli::kExitUsage;
  }
  const std::string& first = arguments.front();
  if (first[0] == '-') {
    if (first == "-h" || first == "--help" || first == "--version") return std::nullopt;
    // Without this, CLI11 says that a command is required.
    const std::string name = OptionName(first);
    bool commandOption = false;
    for (const CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; })) {
      const std::vector<std::string> names = OptionNames(*command);
      commandOption = commandOption || std::find(names.begin(), names.end(), name) != names.end();
    }
    std::cerr << "qvl: unknown option " << name
              << (commandOption ? "; options of a command come after it: qvl COMMAND " + name
                                : DidYouMean(name, {"--help", "--version"}))
              << "\nCommands:\n" << CommandList(app) << "Run qvl --help for more.\n";
    return qv::cli::kExitUsage;
  }
  // CLI11 would only say that "the following argument was not expected".
  if (!IsKnownCommand(app, first)) {
    std::cerr << "qvl: unknown command \"" << first << "\"" << DidYouMean(first, CommandNames(app))
              << "\nCommands:\n" << CommandList(app) << "Run qvl --help for more.\n";
    return qv::cli::kExitUsage;
  }
  return std::nullopt;
}

int Run(int argc, char** argv) {
  qv::cli::InstallCheckedStandardOutput();
  CLI::App app{std::string(qv::cli::kProgramName) + ": " + qv::cli::kProgramSummary + ".", "qvl"};
  app.require_subcommand(1);
  app.footer(std::string(qv::cli::kProfileText) +
             "\nRun qvl help COMMAND (or qvl COMMAND --help) for a command's options.");
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
    std::cout << qv::cli::ManPage(app, QUORVEL_VERSION, QUORVEL_RELEASE_DATE);
    return qv::cli::kExitSuccess;
  }
  std::vector<std::string> arguments(argv + 1, argv + argc);
  // qvl help [COMMAND] is qvl [COMMAND] --help, word for word.
  if (!arguments.empty() && arguments.front() == "help") {
    if (arguments.size() > 2) {
      std::cerr << "qvl help: one command at most\nRun qvl help for the commands.\n";
      return qv::cli::kExitUsage;
    }
    arguments.erase(arguments.begin());
    arguments.push_back("--help");
  }
  if (const std::optional<int> refused = RefuseBeforeParsing(app, arguments)) return *refused;
  std::vector<char*> line = {argv[0]};
  for (std::string& argument : arguments) line.push_back(argument.data());
  try {
    app.parse(static_cast<int>(line.size()), line.data());
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {  // --help, --version
      app.exit(e);
      return qv::cli::kExitSuccess;
    }
    // Named as the command's own messages name it, with where to look next.
    const std::vector<CLI::App*> chosen = app.get_subcommands();
    const CLI::App& command = chosen.empty() ? app : *chosen.front();
    const std::string who = chosen.empty() ? std::string("qvl") : "qvl " + command.get_name();
    std::cerr << who << ": " << UsageProblem(e, app, command) << "\nRun qvl help" << (chosen.empty() ? "" : " " + command.get_name())
              << " for " << (chosen.empty() ? "the commands" : "its options") << ".\n";
    return qv::cli::kExitUsage;
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
