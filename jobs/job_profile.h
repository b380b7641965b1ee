// What every job does to its profile before anything else: it takes the profile's
// lock for its whole run, so that no second job interleaves with it, and clears
// away the temporary files that a killed job left behind.
#pragma once

#include <cstdint>
#include <future>
#include <string>

#include "platform/status.h"
#include "platform/unique_handles.h"

namespace qv {

// How long a job waits for another job on the same profile before it gives up.
inline constexpr std::uint32_t kProfileLockWaitMs = 2000;

// A profile held by one job: its lock, and the removal of stale temporary files,
// which may run beside the job's own work and is waited for before the lock is let
// go.
class JobProfile {
 public:
  JobProfile() = default;
  ~JobProfile() { WaitForCleanup(); }
  JobProfile(const JobProfile&) = delete;
  JobProfile& operator=(const JobProfile&) = delete;

  void WaitForCleanup() {
    if (m_cleanup.valid()) m_cleanup.wait();
  }

 private:
  friend Status OpenProfileForJob(bool writes, const std::u16string& alsoClean, JobProfile* profile,
                                  bool cleanBeside);
  UniqueProfileLock m_lock;
  std::future<void> m_cleanup;  // after m_lock: it ends first
};

// `writes`: the job may change the profile (not a dry run): stale temporary files
// are removed from Favorites, from the profile folder and from `alsoClean` (the
// archive's folder, say; may be empty), and a missing Favorites folder is made.
// `cleanBeside`: that removal runs on a thread of its own while the job goes on,
// for a job that writes nothing in Favorites (a backup), which makes no Favorites
// folder either: a restore could write a favorite whose name looks like a stale
// temporary file, and must not see it removed. A profile folder that is not there
// fails, with a message that names it: no job makes a profile.
[[nodiscard]] Status OpenProfileForJob(bool writes, const std::u16string& alsoClean, JobProfile* profile,
                                       bool cleanBeside = false);

// What a profile folder holds of what a backup reads: its Favorites folder, and
// the hive of its settings (NTUSER.DAT, where Windows keeps HKEY_CURRENT_USER), or,
// where the settings are the live registry, a HKEY_CURRENT_USER with its Software
// key.
struct ProfileContents {
  bool bFavoritesFolder = false;
  bool bSettingsHive = false;
};
ProfileContents LookInProfile();
// Why a folder that holds neither is no profile to back up, naming it; empty
// when it holds either. A user's profile always holds NTUSER.DAT: such a folder
// is a profile named one level off, which would back up as an empty archive.
std::string NotAProfileText(const ProfileContents& contents);

}  // namespace qv
