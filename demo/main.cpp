// quorvel_demo_profile DIR: makes the demo profile folder that `make run` backs
// up and restores (scripts/demo), for a newcomer who has no Windows profile at
// hand. It makes DIR itself and refuses one that holds anything, so that it can
// never mix its favorites into a real profile.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "demo/demo_profile.h"
#include "platform/linux/linux_platform.h"

int main(int argc, char** argv) {
  if (argc != 2 || argv[1][0] == '\0') {
    std::fputs("usage: quorvel_demo_profile DIR\nMakes a demo profile folder DIR (Favorites/ and NTUSER.DAT).\n",
               stderr);
    return 2;
  }
  const std::filesystem::path profileDir = argv[1];
  std::error_code error;
  if (std::filesystem::exists(profileDir, error) && !std::filesystem::is_empty(profileDir, error)) {
    std::fprintf(stderr, "quorvel_demo_profile: %s is not empty; the demo profile is made only in a new folder\n",
                 argv[1]);
    return 1;
  }
  std::filesystem::create_directories(profileDir, error);
  if (error) {
    std::fprintf(stderr, "quorvel_demo_profile: cannot create %s: %s\n", argv[1], error.message().c_str());
    return 1;
  }

  qv::LinuxPlatformOptions options;
  options.strProfileDir = std::filesystem::absolute(profileDir).string();
  // The demo never touches the program's own classes hive.
  const std::unique_ptr<qv::Platform> pOs = qv::MakeLinuxPlatform(options);
  qv::demo::DemoProfileSummary summary;
  if (const qv::Status made = qv::demo::MakeDemoProfile(*pOs, profileDir, &summary); !made) {
    std::fprintf(stderr, "quorvel_demo_profile: %s\n", made.message().c_str());
    return 1;
  }
  std::printf("Made the demo profile %s: %zu favorites in Favorites/ and %zu folders below it; %zu IE settings "
              "in NTUSER.DAT (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_BINARY, REG_DWORD, REG_QWORD)\n",
              argv[1], summary.nFavorites, summary.nFolders, summary.nSettings);
  return 0;
}
