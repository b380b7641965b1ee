// qvl export-bookmarks: the .url favorites of an archive as a bookmark file that
// current browsers import.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/commands/archive_command.h"
#include "cli/manual/manual_text.h"
#include "cli/output/counted.h"
#include "cli/output/scan_output.h"
#include "cli/output/standard_output.h"
#include "cli/output/terminal_text.h"
#include "jobs/bookmarks/bookmark_export.h"
#include "jobs/file_to_replace.h"
#include "platform/platform.h"

namespace qv::cli {
namespace {

constexpr char kCommand[] = "qvl export-bookmarks";

std::string Summary(const BookmarkExport& result, const std::string& where) {
  std::string text = "Wrote " + Counted(result.nLinks, "bookmark") + " in " + Counted(result.nFolders, "folder") +
                     " to " + where + ".\n";
  if (result.nUnconverted > 0) {
    text += "Not converted " + std::to_string(result.nUnconverted) + ":\n";
    for (const UnconvertedFavorite& favorite : result.unconverted) {
      text += "  " + TerminalText(favorite.strPath) + ": " + TerminalText(favorite.strReason) + "\n";
    }
    if (result.nUnconverted > result.unconverted.size()) {
      text += "  ... and " + std::to_string(result.nUnconverted - result.unconverted.size()) + " more, not listed.\n";
    }
  }
  return text + ScanReportText(result.report);
}

class StandardOutputStream : public BookmarkStream {
 public:
  Status Write(std::string_view bytes) override { return WriteStandardOutput(bytes); }
};

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
                       "Bookmark file to write, replaced only once complete (through a link, the file it leads "
                       "to); - or standard output's own name writes to standard output; default: standard output")
        ->type_name("FILE");
    AddPasswordFileOption(command, m_args.strPasswordFile);
    AddQuietFlag(command, m_args.bQuiet);
    command.footer(
        "The file is a Netscape bookmark file (<!DOCTYPE NETSCAPE-Bookmark-file-1>, UTF-8) with every .url "
        "favorite's URL= from its [InternetShortcut] section, in its folder below Favorites, titled by its file "
        "name without .url. It is written as the archive is read. Favorites that are no Internet shortcut, whose "
        "URL cannot be read, or whose URL is longer than any browser takes (2 MiB) are listed with the reason. "
        "A folder, device or pipe given as FILE is refused, unless it is standard output.\n"
        "Exit codes: 0 every favorite converted, 1 failed (nothing written, or standard output cut short), 2 "
        "usage error, 3 written, but some favorites were not converted or the archive is damaged" +
        std::string(kStoppedExitText) + ".");
  }

  EarlyExit CheckOptions() override {
    if (m_strOutput.empty() || m_strOutput == "-") return std::nullopt;
    m_strOutputPath = Os().ToWindowsPath(m_strOutput);
    if (m_strOutputPath.empty()) {
      std::cerr << kCommand << ": " << m_strOutput << ": " << Os().LastErrorText() << "\n";
      return kExitUsage;
    }
    // Looked at before a password is asked for; the job looks again before it writes.
    WriteTarget target;
    if (Os().GetWriteTarget(m_strOutputPath, &target) && target.bStandardOutput) {
      m_strOutputPath.clear();
      return std::nullopt;
    }
    std::u16string finalPath;
    if (Status found = FindFileToReplace(m_strOutputPath, "the bookmark file", &finalPath); !found.ok()) {
      std::cerr << kCommand << ": " << m_strOutput << ": " << found.message() << "\n";
      return kExitFailed;
    }
    return std::nullopt;
  }

  std::string ProgressLabel() const override { return "Reading"; }

  void RunJob(const OpenedArchive& archive, const JobControls& controls) override {
    BookmarkExportOptions options;
    options.strArchivePath = archive.strPath;
    options.strPassword = archive.strPassword;
    options.strOutputPath = m_strOutputPath;
    options.pStream = &m_standardOutput;
    options.pStopFlag = controls.pStopFlag;
    options.hNotifyWindow = controls.hNotifyWindow;
    m_result = ExportBookmarks(options);
  }

  std::optional<JobRefusal> Refusal() const override { return RefusalOf(m_result.check); }

  EarlyExit BeforeSummary() override {
    if (ToStandardOutput()) {
      std::string why = m_result.strOutputFailure;
      if (why.empty()) why = StandardOutputProblem();
      if (!why.empty()) {
        ReportStandardOutputProblem(kCommand, why);
        std::cerr << kCommand << ": the bookmarks on standard output are cut short\n";
        return kExitFailed;
      }
      if (m_result.report.bStopped) {
        std::cerr << kCommand << ": stopped" << StoppedByText()
                  << " before the end of the archive; the bookmarks on standard output are cut short\n";
        return StoppedExit();
      }
      return std::nullopt;
    }
    if (m_result.report.bStopped) {
      std::cerr << kCommand << ": stopped" << StoppedByText() << " before the end of the archive; nothing was written\n";
      return StoppedExit();
    }
    if (!m_result.strOutputFailure.empty()) {
      std::cerr << kCommand << ": " << m_strOutput << ": " << m_result.strOutputFailure << "\n";
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
  std::string StoppedByText() const { return StoppedBy().empty() ? std::string() : " by " + StoppedBy(); }
  int StoppedExit() const { return StopExitCode() != 0 ? StopExitCode() : kExitFailed; }

  std::string m_strOutput;         // as the user gave it; empty or "-": standard output
  std::u16string m_strOutputPath;  // Windows form; empty: standard output
  StandardOutputStream m_standardOutput;
  BookmarkExport m_result;
};

}  // namespace

void AddExportBookmarksCommand(CLI::App& app, int& exitCode) {
  ArchiveCommand::Add(std::make_shared<ExportBookmarksCommand>(), app, exitCode);
}

}  // namespace qv::cli
