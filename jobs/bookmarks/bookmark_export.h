// Every .url favorite of an archive as a bookmark, in its folder below Favorites,
// titled by its file name without ".url": the Netscape bookmark file that current
// browsers import. Nothing is restored; the caller writes the file.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "jobs/archive_check.h"
#include "platform/win_types.h"
#include "store/scan/scanned_record.h"

namespace qv {

// A .url file larger than this is not a shortcut anybody wrote.
inline constexpr std::size_t kMaxShortcutSize = 1024 * 1024;

struct BookmarkExportOptions {
  std::u16string strArchivePath;  // Windows form
  std::u16string strPassword;     // needed for a protected archive
  WindowHandle hNotifyWindow = 0; // receives WM_JOB_PROGRESS; 0 = none
  const std::atomic<bool>* pStopFlag = nullptr;
};

struct UnconvertedFavorite {
  std::string strPath;  // as a listing names it
  std::string strReason;
};

struct BookmarkExport {
  ArchiveCheck check;  // not kOk: the archive was refused
  std::string strHtml;
  std::uint64_t nLinks = 0;
  std::uint64_t nFolders = 0;
  std::vector<UnconvertedFavorite> unconverted;
  ScanReport report;

  bool Complete() const { return check.result == ArchiveCheckResult::kOk && unconverted.empty() && report.Clean(); }
};

[[nodiscard]] BookmarkExport ExportBookmarks(const BookmarkExportOptions& options);

}  // namespace qv
