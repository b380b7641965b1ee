// Every .url favorite of an archive as a bookmark, in its folder below Favorites,
// titled by its file name without ".url": the Netscape bookmark file that current
// browsers import, written as the archive is read. Nothing is restored.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "jobs/archive_check.h"
#include "jobs/bookmarks/bookmark_file_writer.h"
#include "platform/win_types.h"
#include "store/scan/scanned_record.h"

namespace qv {

// A .url file larger than this is not a shortcut anybody wrote.
inline constexpr std::size_t kMaxShortcutSize = 1024 * 1024;
// The longest address any browser that imports the file takes; a shortcut of a
// megabyte in Windows-1252 can make a longer one in UTF-8. (A title is a file
// name, at most 259 characters, and needs no bound of its own.)
inline constexpr std::size_t kMaxUrlBytes = 2 * 1024 * 1024;
// Favorites that did not convert are counted; only so many are named.
inline constexpr std::size_t kMaxListedUnconverted = 1000;

struct BookmarkExportOptions {
  std::u16string strArchivePath;  // Windows form
  std::u16string strPassword;     // needed for a protected archive
  // Where the file goes: the file at strOutputPath (Windows form; a link there is
  // followed), replaced once complete; or, with that empty, pStream as the file
  // is made.
  std::u16string strOutputPath;
  BookmarkStream* pStream = nullptr;
  WindowHandle hNotifyWindow = 0; // receives WM_JOB_PROGRESS; 0 = none
  const std::atomic<bool>* pStopFlag = nullptr;
};

struct UnconvertedFavorite {
  std::string strPath;  // as a listing names it
  std::string strReason;
};

struct BookmarkExport {
  ArchiveCheck check;  // not kOk: the archive was refused
  // Not empty: the file could not be written or put in place, and why. A stream
  // then holds what was written before the failure; a file is left as it was.
  std::string strOutputFailure;
  std::uint64_t nLinks = 0;
  std::uint64_t nFolders = 0;
  std::vector<UnconvertedFavorite> unconverted;  // the first kMaxListedUnconverted
  std::uint64_t nUnconverted = 0;
  ScanReport report;  // stopped: a file is left as it was, a stream is cut short

  bool Complete() const {
    return check.result == ArchiveCheckResult::kOk && strOutputFailure.empty() && nUnconverted == 0 &&
           report.Clean();
  }
};

[[nodiscard]] BookmarkExport ExportBookmarks(const BookmarkExportOptions& options);

}  // namespace qv
