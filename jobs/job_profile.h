// What every job does to its profile before anything else: it takes the profile's
// lock for its whole run, so that no second job interleaves with it, and clears
// away the temporary files that a killed job left behind.
#pragma once

#include <cstdint>
#include <string>

#include "platform/status.h"
#include "platform/unique_handles.h"

namespace qv {

// How long a job waits for another job on the same profile before it gives up.
inline constexpr std::uint32_t kProfileLockWaitMs = 2000;

// `writes`: the job may change the profile (not a dry run): the Favorites folder
// is made when missing, and stale temporary files are removed from it, from the
// profile folder and from `alsoClean` (the archive's folder, say; may be empty).
[[nodiscard]] Status OpenProfileForJob(bool writes, const std::u16string& alsoClean,
                                       UniqueProfileLock* lock);

}  // namespace qv
