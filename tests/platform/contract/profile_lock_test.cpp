// One job at a time per profile: the lock holds between calls of one process as
// between processes, from whichever thread lets it go.
#include <string>
#include <thread>

#include "tests/platform/contract/platform_harness.h"

namespace qv::test {
namespace {

TEST_P(PlatformContract, OneProfileLockAtATimeAndWithoutFavoritesNothingIsMade) {
  std::u16string favorites;
  const ProfileLock looking = os().LockProfile(0, false);
  ASSERT_NE(looking, kInvalidHandle) << os().LastErrorText();
  EXPECT_FALSE(os().SHGetSpecialFolderPathW(kCsidlFavorites, false, &favorites));
  EXPECT_TRUE(os().UnlockProfile(looking));

  const ProfileLock held = os().LockProfile(0, true);
  ASSERT_NE(held, kInvalidHandle) << os().LastErrorText();
  EXPECT_TRUE(os().SHGetSpecialFolderPathW(kCsidlFavorites, false, &favorites));
  EXPECT_EQ(os().LockProfile(20, false), kInvalidHandle);
  EXPECT_NE(os().LastErrorText().find("in use"), std::string::npos) << os().LastErrorText();

  // Let go on another thread than the one that took it, as a job's end may.
  bool unlocked = false;
  std::thread([&] { unlocked = os().UnlockProfile(held); }).join();
  EXPECT_TRUE(unlocked);
  EXPECT_FALSE(os().UnlockProfile(held));
  const ProfileLock again = os().LockProfile(0, false);
  EXPECT_NE(again, kInvalidHandle) << os().LastErrorText();
  EXPECT_TRUE(os().UnlockProfile(again));
}

}  // namespace
}  // namespace qv::test
