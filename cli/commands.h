// The qvl subcommands. Each Add... function registers one subcommand and its
// options on `app`; when the subcommand runs it stores its exit code in `exitCode`.
#pragma once

#include <string>

namespace CLI {
class App;
}

namespace qv::cli {

// Exit codes shared by every subcommand.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitPartial = 3;

void AddBackupCommand(CLI::App& app, int& exitCode);
void AddRestoreCommand(CLI::App& app, int& exitCode);
void AddStatusCommand(CLI::App& app, int& exitCode);
void AddListCommand(CLI::App& app, int& exitCode);
void AddVerifyCommand(CLI::App& app, int& exitCode);
void AddExtractCommand(CLI::App& app, int& exitCode);
void AddExportBookmarksCommand(CLI::App& app, int& exitCode);

// Adds --profile=DIR to a subcommand.
void AddProfileOption(CLI::App& command, std::string& profileDir);
// Installs this system's platform on the chosen profile for the rest of the run.
void InstallPlatform(const std::string& profileDir);
// The profile folder that `profileDir` chooses, as messages name it.
std::string ResolvedProfile(const std::string& profileDir);

// Options that several subcommands share, with one wording everywhere.
// `asks`: without a file or QVL_PASSWORD, the command asks on the terminal.
void AddPasswordFileOption(CLI::App& command, std::string& passwordFile, bool asks = true);
void AddJsonFlag(CLI::App& command, bool& json, const std::string& what);
// `what`: what -q leaves out, for a command that shows no progress.
void AddQuietFlag(CLI::App& command, bool& quiet,
                  const std::string& what = "No progress, and no summary unless something went wrong");

}  // namespace qv::cli
