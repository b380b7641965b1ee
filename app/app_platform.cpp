#include "app/app_platform.h"

#include <memory>

#include "platform/linux_platform.h"

namespace qv::app {

std::string ProfileOption(const QStringList& arguments) {
  const QString prefix = QStringLiteral("--profile=");
  for (const QString& argument : arguments) {
    if (argument.startsWith(prefix)) return argument.mid(prefix.size()).toStdString();
  }
  return {};
}

void InstallAppPlatform(const std::string& profileOption) {
  // Lives until the process ends: the engine and the window reach it through Os().
  static std::unique_ptr<Platform> platform;
  static std::unique_ptr<ScopedPlatform> installed;
  LinuxPlatformOptions options;
  options.strProfileDir = ResolveProfileDir(profileOption);
  options.strClassesHive = DefaultClassesHive();
  installed.reset();
  platform = MakeLinuxPlatform(options);
  installed = std::make_unique<ScopedPlatform>(*platform);
}

}  // namespace qv::app
