#include "jobs/job_profile.h"

#include <system_error>

#include "platform/platform.h"

namespace qv {
namespace {

void RemoveStaleTempFiles(const std::u16string& alsoClean) {
  std::u16string favorites;
  if (Os().SHGetSpecialFolderPathW(kCsidlFavorites, false, &favorites)) {
    (void)Os().RemoveStaleTempFiles(favorites, true);  // what is left is harmless and skipped
  }
  const std::u16string profile = Os().ExpandEnvironmentStringsW(u"%USERPROFILE%");
  if (profile != u"%USERPROFILE%") (void)Os().RemoveStaleTempFiles(profile, false);
  if (!alsoClean.empty()) (void)Os().RemoveStaleTempFiles(alsoClean, false);
}

}  // namespace

Status OpenProfileForJob(bool writes, const std::u16string& alsoClean, JobProfile* profile,
                         bool cleanBeside) {
  profile->m_lock = UniqueProfileLock(Os().LockProfile(kProfileLockWaitMs, writes && !cleanBeside));
  if (!profile->m_lock.Valid()) return Status::Error(Os().LastErrorText());
  if (!writes) return Status::Ok();
  // Only under the lock: no job of ours on this profile is writing them now, and
  // the files of this job name a process that still runs.
  if (cleanBeside) {
    try {
      profile->m_cleanup = std::async(std::launch::async, [alsoClean] { RemoveStaleTempFiles(alsoClean); });
      return Status::Ok();
    } catch (const std::system_error&) {
      // No thread to be had: cleaned here, as always may be.
    }
  }
  RemoveStaleTempFiles(alsoClean);
  return Status::Ok();
}

ProfileContents LookInProfile() {
  ProfileContents contents;
  std::u16string favorites;
  contents.bFavoritesFolder = Os().SHGetSpecialFolderPathW(kCsidlFavorites, false, &favorites);
  const std::u16string profile = Os().ExpandEnvironmentStringsW(u"%USERPROFILE%");
  int error = 0;
  // One that cannot be looked at is there: reading it tells the user why it fails.
  contents.bSettingsHive = profile != u"%USERPROFILE%" &&
                           (Os().GetFileAttributesW(profile + u"\\NTUSER.DAT", &error) != kInvalidFileAttributes ||
                            error != kErrorFileNotFound);
  // A system that keeps HKEY_CURRENT_USER live has no hive file in the profile to
  // find: its settings are there when the key holds what every user's holds.
  RegKey software = 0;
  if (!contents.bSettingsHive &&
      Os().RegOpenKeyExW(kHkeyCurrentUser, u"Software", kKeyRead, &software) == kErrorSuccess) {
    contents.bSettingsHive = true;
    (void)Os().RegCloseKey(software);
  }
  return contents;
}

std::string NotAProfileText(const ProfileContents& contents) {
  if (contents.bFavoritesFolder || contents.bSettingsHive) return {};
  return "the profile folder " + ShownPath(Os().ExpandEnvironmentStringsW(u"%USERPROFILE%")) +
         " holds neither a Favorites folder nor NTUSER.DAT, so it is no user's profile";
}

}  // namespace qv
