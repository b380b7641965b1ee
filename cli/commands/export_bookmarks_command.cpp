// qvl export-bookmarks: the .url favorites of an archive as a bookmark file that
// current browsers import.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/commands/archive_command.h"
#include "cli/output/counted.h"
#include "cli/output/scan_output.h"
#include "jobs/bookmarks/bookmark_export.h"
#include "jobs/extract/replacing_file.h"
#include "platform/platform.h"

namespace qv::cli {
namespace {

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

class ExportBookmarksCommand final : public ArchiveCommand {
 public:
  ExportBookmarksCommand()
      : ArchiveCommand("export-bookmarks",
                       "Write the .url favorites of an archive as a bookmark file that browsers import",
                       PasswordUse::kAskWhenProtected, SignalUse::kStopTheJob) {}

 private:
  void AddOptions(CLI::App& command) override {
    command.add_option("ARCHIVE", m_args.strArchive, "Archive to read (.qvl)")->required();
    command.add_option("-o,--output", m_strOutput,
                       "Bookmark file to write (replaced only once complete); default: standard output")
        ->type_name("FILE");
    AddPasswordFileOption(command, m_args.strPasswordFile);
    AddQuietFlag(command, m_args.bQuiet);
    command.footer(
        "The file is a Netscape bookmark file (<!DOCTYPE NETSCAPE-Bookmark-file-1>, UTF-8) with every .url "
        "favorite's URL= from its [InternetShortcut] section, in its folder below Favorites, titled by its file "
        "name without .url. Favorites that are no Internet shortcut, or whose URL cannot be read, are listed "
        "with the reason.\n"
        "Exit codes: 0 every favorite converted, 1 failed, 2 usage error, 3 written, but some favorites were "
        "not converted or the archive is damaged.");
  }

  EarlyExit CheckOptions() override {
    if (m_strOutput.empty() || m_strOutput == "-") return std::nullopt;
    m_strOutputPath = Os().ToWindowsPath(m_strOutput);
    if (m_strOutputPath.empty()) {
      std::cerr << "qvl export-bookmarks: " << m_strOutput << ": " << Os().LastErrorText() << "\n";
      return kExitUsage;
    }
    return std::nullopt;
  }

  std::string ProgressLabel() const override { return "Reading"; }

  void RunJob(const OpenedArchive& archive, const JobControls& controls) override {
    BookmarkExportOptions options;
    options.strArchivePath = archive.strPath;
    options.strPassword = archive.strPassword;
    options.pStopFlag = controls.pStopFlag;
    options.hNotifyWindow = controls.hNotifyWindow;
    m_result = ExportBookmarks(options);
  }

  std::optional<JobRefusal> Refusal() const override { return RefusalOf(m_result.check); }

  EarlyExit BeforeSummary() override {
    if (m_result.report.bStopped) {
      std::cerr << "qvl export-bookmarks: stopped before the end of the archive; nothing was written\n";
      return kExitFailed;
    }
    if (ToStandardOutput()) {
      std::cout << m_result.strHtml << std::flush;
      return std::nullopt;
    }
    ReplacingFile file(m_strOutputPath, m_result.check.NeedsPassword());
    Status written = file.Append(m_result.strHtml);
    if (written.ok()) written = file.Commit();
    if (!written.ok()) {
      std::cerr << "qvl export-bookmarks: " << m_strOutput << ": " << written.message() << "\n";
      return kExitFailed;
    }
    return std::nullopt;
  }

  int ExitCode() const override { return m_result.Complete() ? kExitSuccess : kExitPartial; }

  // With the bookmarks on standard output, the summary goes to standard error.
  void PrintText(const OpenedArchive& /*archive*/) override {
    (ToStandardOutput() ? std::cerr : std::cout)
        << Summary(m_result, ToStandardOutput() ? "standard output" : m_strOutput);
  }

  bool ToStandardOutput() const { return m_strOutputPath.empty(); }

  std::string m_strOutput;         // as the user gave it; empty or "-": standard output
  std::u16string m_strOutputPath;  // Windows form; empty: standard output
  BookmarkExport m_result;
};

}  // namespace

void AddExportBookmarksCommand(CLI::App& app, int& exitCode) {
  ArchiveCommand::Add(std::make_shared<ExportBookmarksCommand>(), app, exitCode);
}

}  // namespace qv::cli
