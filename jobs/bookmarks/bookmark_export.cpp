#include "jobs/bookmarks/bookmark_export.h"

#include <optional>
#include <utility>

#include "jobs/bookmarks/url_shortcut.h"
#include "jobs/extract/replacing_file.h"
#include "jobs/file_to_replace.h"
#include "jobs/inspect/archive_password_check.h"
#include "jobs/inspect/record_names.h"
#include "platform/text/windows_case.h"
#include "platform/platform.h"
#include "platform/text/text.h"
#include "store/scan/archive_scanner.h"

namespace qv {
namespace {

constexpr std::u16string_view kFavoritesFolder = u"%USERPROFILE%\\Favorites";
constexpr std::u16string_view kShortcutExtension = u".url";

bool EndsWithIgnoringCase(std::u16string_view text, std::u16string_view end) {
  return text.size() >= end.size() && EqualsIgnoringCase(text.substr(text.size() - end.size()), end);
}

// The folders below Favorites that hold the favorite; false with *why when the
// stored folder is not below Favorites.
bool FolderPath(std::u16string_view stored, std::vector<std::string>* path, std::string* why) {
  if (stored.size() < kFavoritesFolder.size() ||
      !EqualsIgnoringCase(stored.substr(0, kFavoritesFolder.size()), kFavoritesFolder) ||
      (stored.size() > kFavoritesFolder.size() && stored[kFavoritesFolder.size()] != u'\\')) {
    *why = "its folder is not below " + ToUtf8(kFavoritesFolder);
    return false;
  }
  std::u16string_view rest = stored.substr(kFavoritesFolder.size());
  while (!rest.empty()) {
    const std::size_t separator = rest.find(u'\\');
    const std::u16string_view part = rest.substr(0, separator);
    rest = separator == std::u16string_view::npos ? std::u16string_view() : rest.substr(separator + 1);
    if (part.empty()) continue;
    if (part == u"." || part == u"..") {
      *why = "its folder has a \".\" or \"..\" part";
      return false;
    }
    path->push_back(ToUtf8(part));
  }
  return true;
}

class BookmarkVisitor : public ScanVisitor {
 public:
  BookmarkVisitor(BookmarkExport* result, BookmarkFileWriter* writer) : m_pResult(result), m_pWriter(writer) {}

  bool OnRecordHead(const ScannedRecord& record) override {
    m_bWanted = false;
    m_bTooLarge = false;
    m_content.clear();
    m_path.clear();
    m_strProblem.clear();
    // Once the output fails, the rest is only framed: nothing decoded goes anywhere.
    if (record.nKind != kFileItemKind || !m_pWriter->Writing()) return false;
    const std::u16string name = TextFieldValue(record.file.item.name);
    m_bWanted = true;
    if (!EndsWithIgnoringCase(name, kShortcutExtension)) {
      m_strProblem = "it is not an Internet shortcut (.url)";
    } else if (FolderPath(TextFieldValue(record.file.item.folder), &m_path, &m_strProblem)) {
      m_strTitle = ToUtf8(name.substr(0, name.size() - kShortcutExtension.size()));
    }
    return record.state == RecordState::kSound && m_strProblem.empty();
  }

  void OnRecordData(const std::uint8_t* data, std::uint32_t size) override {
    if (m_bTooLarge) return;
    if (size > kMaxShortcutSize - m_content.size()) {
      m_bTooLarge = true;
      m_content.clear();
      return;
    }
    m_content.append(reinterpret_cast<const char*>(data), size);
  }

  void OnRecordEnd(const ScannedRecord& record) override {
    if (!m_bWanted || record.state == RecordState::kStopped) return;
    std::string problem = m_strProblem;
    if (problem.empty() && record.state != RecordState::kSound) problem = "it is damaged: " + record.strProblem;
    if (problem.empty() && m_bTooLarge) problem = "it is larger than a shortcut can be";
    if (problem.empty()) {
      UrlShortcut shortcut = ParseUrlShortcut(m_content);
      if (shortcut.bFound && shortcut.strUrl.size() > kMaxUrlBytes) {
        problem = "its URL is longer than any browser takes (" + std::to_string(kMaxUrlBytes) + " bytes)";
      } else if (shortcut.bFound) {
        m_pWriter->AddLink(m_path, {m_strTitle, std::move(shortcut.strUrl)});
        return;
      } else {
        problem = shortcut.strProblem;
      }
    }
    if (m_pResult->unconverted.size() < kMaxListedUnconverted) {
      m_pResult->unconverted.push_back({RecordPath(record), problem});
    }
    ++m_pResult->nUnconverted;
  }

 private:
  BookmarkExport* m_pResult;
  BookmarkFileWriter* m_pWriter;
  bool m_bWanted = false;
  bool m_bTooLarge = false;
  std::string m_content;
  std::vector<std::string> m_path;
  std::string m_strTitle;
  std::string m_strProblem;
};

class ReplacingFileStream : public BookmarkStream {
 public:
  explicit ReplacingFileStream(ReplacingFile& file) : m_file(file) {}
  Status Write(std::string_view bytes) override { return m_file.Append(bytes); }

 private:
  ReplacingFile& m_file;
};

}  // namespace

BookmarkExport ExportBookmarks(const BookmarkExportOptions& options) {
  BookmarkExport result;
  result.check = CheckArchiveAndPassword(options.strArchivePath, &options.strPassword);
  if (result.check.result != ArchiveCheckResult::kOk) return result;
  std::optional<ReplacingFile> file;
  std::optional<ReplacingFileStream> fileStream;
  if (!options.strOutputPath.empty()) {
    std::u16string target;
    if (Status found = FindFileToReplace(options.strOutputPath, "the bookmark file", &target); !found.ok()) {
      result.strOutputFailure = found.message();
      return result;
    }
    // What a killed export left beside the file, as a backup clears the folder of
    // its archive; a live writer's files stay.
    (void)Os().RemoveStaleTempFiles(FolderOf(target), false);  // what is left is harmless
    // From a protected archive a new file is its owner's alone.
    file.emplace(std::move(target), result.check.NeedsPassword());
    fileStream.emplace(*file);
  }
  BookmarkFileWriter writer(fileStream ? static_cast<BookmarkStream&>(*fileStream) : *options.pStream);
  const ScanOptions scan = DecodingScanOptions(result.check, options.strPassword, false, options.hNotifyWindow,
                                                options.pStopFlag);
  ArchiveScanner scanner(options.strArchivePath, scan);
  BookmarkVisitor visitor(&result, &writer);
  result.report = scanner.Run(visitor);
  result.nLinks = writer.Links();
  result.nFolders = writer.Folders();
  // Stopped: a file stays as it was (the temporary one goes with `file`), and a
  // stream is not made to look whole.
  if (result.report.bStopped) return result;
  Status written = writer.Finish();
  if (written.ok() && file) written = file->Commit();
  if (!written.ok()) result.strOutputFailure = written.message();
  return result;
}

}  // namespace qv
