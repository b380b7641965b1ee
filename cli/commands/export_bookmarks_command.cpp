// qvl export-bookmarks: the .url favorites of an archive as a bookmark file that
// current browsers import.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/commands/archive_access.h"
#include "cli/output/counted.h"
#include "cli/output/progress_display.h"
#include "cli/output/scan_output.h"
#include "platform/terminal/stop_signals.h"
#include "jobs/bookmarks/bookmark_export.h"
#include "jobs/extract/replacing_file.h"
#include "platform/platform.h"

namespace qv::cli {
namespace {

struct ExportArgs {
  ArchiveArgs archive;
  std::string strOutput;
};

std::string Summary(const BookmarkExport& result, const std::string& where) {
  std::string text = "Wrote " + Counted(result.nLinks, "bookmark") + " in " + Counted(result.nFolders, "folder") +
                     " to " + where + ".\n";
  if (!result.unconverted.empty()) {
    text += "Not converted " + std::to_string(result.unconverted.size()) + ":\n";
    for (const UnconvertedFavorite& favorite : result.unconverted) {
      text += "  " + favorite.strPath + ": " + favorite.strReason + "\n";
    }
  }
  return text + ScanReportText(result.report);
}

int RunExportCommand(const ExportArgs& args) {
  InstallPlatform("");
  std::u16string output;
  if (!args.strOutput.empty() && args.strOutput != "-") {
    output = Os().ToWindowsPath(args.strOutput);
    if (output.empty()) {
      std::cerr << "qvl export-bookmarks: " << args.strOutput << ": " << Os().LastErrorText() << "\n";
      return kExitUsage;
    }
  }
  const OpenedArchive archive = OpenArchive("export-bookmarks", args.archive, true);
  if (archive.nExitCode >= 0) return archive.nExitCode;
  BookmarkExportOptions options;
  options.strArchivePath = archive.strPath;
  options.strPassword = archive.strPassword;
  BookmarkExport result;
  {
    const StopSignals signals;
    options.pStopFlag = signals.Flag();
    const ProgressDisplay progress(args.archive.bQuiet ? "" : "Reading");
    options.hNotifyWindow = progress.Window();
    result = ExportBookmarks(options);
  }
  if (result.check.result != ArchiveCheckResult::kOk) {
    PrintRefusal("export-bookmarks", args.archive, archive.strShown, ArchiveCheckMessage(result.check.result),
                 result.check.strDetail);
    return kExitFailed;
  }
  if (result.report.bStopped) {
    std::cerr << "qvl export-bookmarks: stopped before the end of the archive; nothing was written\n";
    return kExitFailed;
  }
  if (output.empty()) {
    std::cout << result.strHtml << std::flush;
  } else {
    ReplacingFile file(output);
    Status written = file.Append(result.strHtml);
    if (written.ok()) written = file.Commit();
    if (!written.ok()) {
      std::cerr << "qvl export-bookmarks: " << args.strOutput << ": " << written.message() << "\n";
      return kExitFailed;
    }
  }
  // With the bookmarks on standard output, the summary goes to standard error.
  if (!args.archive.bQuiet || !result.Complete()) {
    (output.empty() ? std::cerr : std::cout) << Summary(result, output.empty() ? "standard output" : args.strOutput);
  }
  return result.Complete() ? kExitSuccess : kExitPartial;
}

}  // namespace

void AddExportBookmarksCommand(CLI::App& app, int& exitCode) {
  auto args = std::make_shared<ExportArgs>();
  auto* command = app.add_subcommand(
      "export-bookmarks", "Write the .url favorites of an archive as a bookmark file that browsers import");
  command->add_option("ARCHIVE", args->archive.strArchive, "Archive to read (.qvl)")->required();
  command->add_option("-o,--output", args->strOutput,
                      "Bookmark file to write (replaced only once complete); default: standard output")
      ->type_name("FILE");
  AddPasswordFileOption(*command, args->archive.strPasswordFile);
  AddQuietFlag(*command, args->archive.bQuiet);
  command->footer(
      "The file is a Netscape bookmark file (<!DOCTYPE NETSCAPE-Bookmark-file-1>, UTF-8) with every .url "
      "favorite's URL= from its [InternetShortcut] section, in its folder below Favorites, titled by its file "
      "name without .url. Favorites that are no Internet shortcut, or whose URL cannot be read, are listed "
      "with the reason.\n"
      "Exit codes: 0 every favorite converted, 1 failed, 2 usage error, 3 written, but some favorites were "
      "not converted or the archive is damaged.");
  command->callback([args, &exitCode] { exitCode = RunExportCommand(*args); });
}

}  // namespace qv::cli
