#include "app/app_platform.h"

#include <memory>

#include "platform/linux/linux_platform.h"

namespace qv::app {

std::string ProfileOption(const QStringList& arguments) {
  const QString prefix = QStringLiteral("--profile=");
  for (const QString& argument : arguments) {
    if (argument.startsWith(prefix)) return argument.mid(prefix.size()).toStdString();
  }
  return {};
}

void InstallAppPlatform(const std::string& profileOption) { InstallLinuxPlatformForProcess(profileOption); }

}  // namespace qv::app
