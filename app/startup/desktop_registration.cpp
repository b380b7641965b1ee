#include "app/startup/desktop_registration.h"

#include "app/startup/desktop_files.h"
#include "platform/linux/paths/profile_dirs.h"

namespace qv::app {

DetachedRun RegisterWithDesktop(const QString& programPath) {
  const std::string dataHome = UserDataHome();
  // A file that could not be written leaves the caches as they were for it; the
  // rest are still worth rebuilding.
  (void)WriteDataFiles(dataHome, DesktopFiles(programPath));
  return DetachedRun::Start({{"update-mime-database", dataHome + "/mime"},
                             {"update-desktop-database", "-q", dataHome + "/applications"}});
}

}  // namespace qv::app
