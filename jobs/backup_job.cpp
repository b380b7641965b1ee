#include "jobs/backup_job.h"

#include <span>
#include <utility>
#include <vector>

#include "jobs/backup_items.h"
#include "jobs/file_to_replace.h"
#include "jobs/job_profile.h"
#include "platform/platform.h"
#include "platform/text/text.h"
#include "platform/unique_handles.h"
#include "store/writer/backup_item.h"
#include "store/records.h"

namespace qv {
namespace {

bool StopRequested(const BackupOptions& options) {
  return options.pStopFlag != nullptr && options.pStopFlag->load(std::memory_order_relaxed);
}

// Writes `bytes` to the file: at its start when `create`, else at its end.
Status WriteToArchive(const std::u16string& tempPath, std::span<const std::uint8_t> bytes, bool create,
                      const std::string& what) {
  UniqueFile file(Os().CreateFileW(tempPath, kGenericWrite, kFileShareNone, create ? kCreateAlways : kOpenExisting));
  if (!file.Valid()) {
    return Status::Error((create ? "cannot create the archive: " : "cannot reopen the archive: ") +
                         Os().LastErrorText());
  }
  std::uint32_t written = 0;
  const bool wrote = (create || Os().SetFilePointer(file.Get(), 0, kFileEnd, nullptr)) &&
                     Os().WriteFile(file.Get(), bytes.data(), static_cast<std::uint32_t>(bytes.size()), &written) &&
                     written == bytes.size();
  std::string why = wrote ? std::string() : Os().LastErrorText();
  const bool closed = file.Close();
  if (wrote && !closed) why = Os().LastErrorText();
  if (!wrote || !closed) return Status::Error("cannot write " + what + ": " + why);
  return Status::Ok();
}

Status WriteHeader(const std::u16string& tempPath, const BackupOptions& options, SealKey* sealKey) {
  ArchiveHeader header;
  if (options.bProtect && options.bSealed) {
    if (!MakeSealedArchiveHeader(options.strPassword, options.sealCost, &header, sealKey)) {
      return Status::Error("the archive key could not be made from the password");
    }
  } else {
    header = MakeArchiveHeader(options.bProtect, options.strPassword);
    if (options.bProtect && header.verifierLength != kVerifierBlockSize) {
      return Status::Error("the encryption stage could not make the password verifier");
    }
  }
  const ArchiveHeaderBytes bytes = EncodeArchiveHeader(header);
  return WriteToArchive(tempPath, bytes, true, "the archive header");
}

// The sealed form's last piece: without it, records cut off the end would go
// unnoticed.
Status WriteSealedClosing(const std::u16string& tempPath, const SealKey& key, std::uint64_t offset) {
  const std::vector<std::uint8_t> plain(kSealedHeadPlainSize, 0);
  std::vector<std::uint8_t> sealed;
  if (!SealPiece(key, SealPlace{offset, 0, SealRole::kHead}, plain, &sealed)) {
    return Status::Error("the end of the archive could not be sealed");
  }
  return WriteToArchive(tempPath, sealed, false, "the end of the archive");
}

// Runs every item into the temporary file; fills the summary's items and skips.
Status StoreItems(const std::u16string& tempPath, const std::u16string& archivePath, const BackupOptions& options,
                  const SealKey* sealKey, BackupSummary& summary, std::uint64_t& archiveBytes) {
  BackupRequest request;
  request.strArchivePath = tempPath;
  request.bCompress = options.bCompress;
  request.bProtect = options.bProtect && sealKey == nullptr;
  request.pSealKey = sealKey;
  request.strPassword = options.strPassword;
  request.excludedPaths = {tempPath, archivePath};
  // Through a link, the link's own name too: whichever a walk of Favorites meets.
  if (archivePath != options.strArchivePath) request.excludedPaths.push_back(options.strArchivePath);

  for (const auto& item : MakeBackupItems(options.hNotifyWindow, WM_JOB_PROGRESS, options.pStopFlag)) {
    if (StopRequested(options)) break;
    StoreReport report;
    (void)item->Backup(request, report);  // the report carries the same count and more
    summary.items.push_back({item->GetName(), report.nRecords, report.nSourceBytes,
                             report.nArchiveBytes});
    summary.skipped.insert(summary.skipped.end(), report.skipped.begin(), report.skipped.end());
    archiveBytes += report.nArchiveBytes;
    if (report.Failed()) {
      return Status::Error(ToUtf8(item->GetName()) + ": " + report.strFirstFailure);
    }
    if (report.bStopped) break;
  }
  if (StopRequested(options)) {
    summary.bStopped = true;
    return Status::Error("the backup was stopped before it finished");
  }
  return Status::Ok();
}

// Checks that the file holds every byte the stores wrote and gets it to the disk.
Status SealArchive(const std::u16string& tempPath, std::uint64_t expectedSize) {
  UniqueFile file(Os().CreateFileW(tempPath, kGenericWrite, kFileShareNone, kOpenExisting));
  if (!file.Valid()) {
    return Status::Error("cannot reopen the archive: " + Os().LastErrorText());
  }
  std::uint64_t size = 0;
  Status result;
  if (!Os().GetFileSize(file.Get(), &size)) {
    result = Status::Error("cannot read the archive's size: " + Os().LastErrorText());
  } else if (size != expectedSize) {
    result = Status::Error("the archive holds " + std::to_string(size) + " bytes where " +
                           std::to_string(expectedSize) + " were written");
  } else if (!Os().FlushFileBuffers(file.Get())) {
    result = Status::Error("cannot flush the archive to the disk: " + Os().LastErrorText());
  }
  if (!file.Close() && result.ok()) {
    result = Status::Error("closing the archive failed: " + Os().LastErrorText());
  }
  return result;
}

Status Run(const BackupOptions& options, BackupSummary& summary) {
  const bool sealed = options.bProtect && options.bSealed;
  if (sealed) {
    if (std::string problem = SealedPasswordProblem(options.strPassword); !problem.empty()) {
      return Status::Error(problem);
    }
  } else if (options.bProtect && options.strPassword.size() < kMinPasswordLength) {
    return Status::Error("a protected backup needs a password of 6 or more characters");
  }
  if (options.bProtect && !sealed) {
    if (std::string problem = PasswordCharacterProblem(options.strPassword); !problem.empty()) {
      return Status::Error(problem);
    }
  }
  std::u16string archivePath;
  if (Status found = FindFileToReplace(options.strArchivePath, "the archive", &archivePath); !found.ok()) {
    return found;
  }
  const std::u16string folder = FolderOf(archivePath);
  if (folder.empty()) {
    return Status::Error("the archive path " + ShownPath(archivePath) + " names no folder");
  }
  JobProfile profile;
  if (Status opened = OpenProfileForJob(true, folder, &profile, true); !opened.ok()) return opened;
  const ProfileContents contents = LookInProfile();
  if (std::string notAProfile = NotAProfileText(contents); !notAProfile.empty()) {
    return Status::Error(std::move(notAProfile));
  }
  summary.bFavoritesFolderMissing = !contents.bFavoritesFolder;
  summary.bSettingsHiveMissing = !contents.bSettingsHive;
  // The archive is built beside its target (the file a link leads to) and renamed
  // over it at the end, so a failed or killed backup never destroys an earlier
  // archive.
  std::u16string tempPath;
  // A protected archive is its owner's alone unless it replaces one that was shared.
  if (!Os().GetTempFileNameW(folder, &tempPath, options.bProtect)) {
    // The platform's text names the folder already, in the form its user knows.
    return Status::Error(Os().LastErrorText());
  }
  SealKey sealKey;
  Status result = WriteHeader(tempPath, options, &sealKey);
  std::uint64_t archiveBytes = kArchiveHeaderSize;
  if (result.ok()) {
    result = StoreItems(tempPath, archivePath, options, sealed ? &sealKey : nullptr, summary, archiveBytes);
  }
  if (result.ok() && sealed) {
    result = WriteSealedClosing(tempPath, sealKey, archiveBytes);
    archiveBytes += kSealedHeadSize;
  }
  if (result.ok()) result = SealArchive(tempPath, archiveBytes);
  if (result.ok() && !Os().MoveFileExW(tempPath, archivePath)) {
    result = Status::Error("cannot put the archive in place: " + Os().LastErrorText());
  }
  if (!result.ok()) {
    (void)Os().DeleteFileW(tempPath);  // best effort: the job has failed either way
    return result;
  }
  summary.nArchiveSize = archiveBytes;
  return result;
}

}  // namespace

std::string PasswordCharacterProblem(std::u16string_view password) {
  const std::size_t at = FirstUnitNotNarrowed(password);
  if (at == std::u16string_view::npos) return {};
  if (password[at] == 0) {
    return "the password holds a zero character, and protection would use only what comes before it";
  }
  // A surrogate pair is one character; show it whole.
  const std::size_t units = at + 1 < password.size() && password[at] >= 0xD800 && password[at] < 0xDC00 ? 2 : 1;
  return "the password holds \"" + ToUtf8(password.substr(at, units)) +
         "\", which protection cannot use: an archive's key keeps only characters of Windows-1252 "
         "(Western European letters, digits and signs) and takes any other for \"?\", so every "
         "password with \"?\" in its place would open the archive";
}

std::string SealedPasswordProblem(std::u16string_view password) {
  if (password.find(u'\0') != std::u16string_view::npos) {
    return "the password holds a zero character, and protection would use only what comes before it";
  }
  if (HasUnpairedSurrogate(password)) {
    return "the password holds a broken UTF-16 character, which has no UTF-8 form for the key";
  }
  std::size_t characters = 0;
  for (char16_t unit : password) characters += unit < 0xDC00 || unit > 0xDFFF ? 1 : 0;
  if (characters < kMinSealPasswordLength) {
    return "a strongly protected backup needs a password of 8 or more characters";
  }
  return {};
}

BackupSummary RunBackup(const BackupOptions& options) {
  BackupSummary summary;
  summary.strArchivePath = options.strArchivePath;
  Status result = Run(options, summary);
  summary.bOk = result.ok();
  summary.strFailure = result.message();
  return summary;
}

}  // namespace qv
