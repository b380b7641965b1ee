#include "jobs/job_profile.h"

#include "platform/platform.h"

namespace qv {

Status OpenProfileForJob(bool writes, const std::u16string& alsoClean, UniqueProfileLock* lock) {
  *lock = UniqueProfileLock(Os().LockProfile(kProfileLockWaitMs, writes));
  if (!lock->Valid()) return Status::Error(Os().LastErrorText());
  if (!writes) return Status::Ok();
  // Only under the lock: no job of ours on this profile is writing them now.
  std::u16string favorites;
  if (Os().SHGetSpecialFolderPathW(kCsidlFavorites, false, &favorites)) {
    (void)Os().RemoveStaleTempFiles(favorites, true);  // what is left is harmless and skipped
  }
  const std::u16string profile = Os().ExpandEnvironmentStringsW(u"%USERPROFILE%");
  if (profile != u"%USERPROFILE%") (void)Os().RemoveStaleTempFiles(profile, false);
  if (!alsoClean.empty()) (void)Os().RemoveStaleTempFiles(alsoClean, false);
  return Status::Ok();
}

}  // namespace qv
