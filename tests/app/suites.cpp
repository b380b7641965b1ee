#include "tests/app/suites.h"

namespace qv::app::test {

std::span<const Suite> AllSuites() {
  static const Suite kSuites[] = {
      {"BackupDialogTest", MakeBackupDialogTest},
      {"OtherDialogsTest", MakeOtherDialogsTest},
      {"MainFrameTest", MakeMainFrameTest},
      {"JobsTest", MakeJobsTest},
  };
  return kSuites;
}

}  // namespace qv::app::test
