// The backup job, shared by the window and qvl: header, items in order, progress,
// and an archive that appears at its path only when the whole job succeeded.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win_types.h"
#include "processors/seal_cryptors.h"
#include "store/writer/store_report.h"

namespace qv {

// The backup dialog's rule for a protected archive's password.
inline constexpr std::size_t kMinPasswordLength = 6;

// Empty when every character of a new archive's password counts in its key;
// otherwise why not. The key is made from the password in Windows-1252, where any
// other character becomes "?" and a zero character ends it: such a password would
// be opened by every password that differs from it only there. Archives made so
// before still open, since reading keeps that conversion.
std::string PasswordCharacterProblem(std::u16string_view password);
// The same for the sealed form, which takes the password as UTF-8: empty when it
// has at least 8 characters, no zero character and no unpaired surrogate.
std::string SealedPasswordProblem(std::u16string_view password);

struct BackupOptions {
  std::u16string strArchivePath;  // Windows form, absolute
  bool bCompress = false;
  bool bProtect = false;
  std::u16string strPassword;      // used only when `bProtect` is set
  // With `bProtect`: the sealed form (docs/format.md) instead of DES.
  bool bSealed = false;
  // scrypt's work for a sealed archive. Tests take it lower to stay fast; the
  // header says what was used, and readers take only what they accept.
  ScryptCost sealCost = kDefaultScryptCost;
  WindowHandle hNotifyWindow = 0;  // receives WM_JOB_PROGRESS; 0 = none
  const std::atomic<bool>* pStopFlag = nullptr;  // set it to stop the job; may be null
};

struct BackupItemSummary {
  std::u16string strName;
  std::uint64_t nRecords = 0;
  std::uint64_t nSourceBytes = 0;
  std::uint64_t nArchiveBytes = 0;
};

struct BackupSummary {
  bool bOk = false;
  bool bStopped = false;
  std::string strFailure;  // why the job failed; empty when bOk
  std::vector<BackupItemSummary> items;  // in archive order
  std::vector<SkippedSource> skipped;    // entries left out, with their reasons
  // What the profile lacks: nothing of it is in the archive, and nothing was
  // left out for it either.
  bool bFavoritesFolderMissing = false;
  bool bSettingsHiveMissing = false;
  std::u16string strArchivePath;
  std::uint64_t nArchiveSize = 0;  // bytes of the finished archive; 0 when failed
};

// Writes the archive to a temporary file beside `strArchivePath` (beside the file it
// leads to, when it is a link) and renames it into place when every item was
// stored; on failure the temporary file is deleted and any earlier archive at the
// path stays as it was. A folder, device or pipe there is refused before anything
// else is done. The job ends when this returns;
// the front end that started it says so (WM_JOB_DONE is the window's, not the job's).
[[nodiscard]] BackupSummary RunBackup(const BackupOptions& options);

}  // namespace qv
