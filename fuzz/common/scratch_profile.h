// A scratch folder for fuzz targets that restore: a profile folder, the archive
// file and the classes hive, on a memory file system where there is one, so that
// syncs stay cheap. Afterwards the target checks that nothing appeared outside the
// two places a restore may write: no file outside Favorites, and nothing in the
// hive but the IE key's subtree and the keys that lead to it.
#pragma once

#include <cstdlib>
#include <cwctype>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/linux/linux_platform.h"
#include "platform/platform.h"

namespace qv::fuzz {

class ScratchProfile {
 public:
  explicit ScratchProfile(const char* name) {
    const char* base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    std::string pattern = std::string(base) + "/quorvel-fuzz-" + name + "-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    m_root = pattern;
    Reset();
  }
  ~ScratchProfile() {
    std::error_code ignored;
    std::filesystem::remove_all(m_root, ignored);
  }

  const std::filesystem::path& Root() const { return m_root; }
  std::filesystem::path Profile() const { return m_root / "profile"; }
  std::filesystem::path Archive() const { return m_root / "input.qvl"; }

  // An empty profile again.
  void Reset() {
    std::error_code ignored;
    std::filesystem::remove_all(Profile(), ignored);
    std::filesystem::create_directories(Profile() / "Favorites", ignored);
  }

  std::unique_ptr<Platform> MakePlatform() const {
    LinuxPlatformOptions options;
    options.strProfileDir = Profile().string();
    options.strClassesHive = (m_root / "classes.dat").string();
    return MakeLinuxPlatform(options);
  }

  // Aborts (a finding) when anything but the archive, the classes hive, the
  // profile's NTUSER.DAT and what lies below its Favorites folder exists.
  void CheckConfinement() const {
    for (auto it = std::filesystem::recursive_directory_iterator(m_root);
         it != std::filesystem::recursive_directory_iterator(); ++it) {
      const std::filesystem::path relative = std::filesystem::relative(it->path(), m_root);
      const std::string text = relative.string();
      if (text == "input.qvl" || text == "classes.dat" || text == "profile" || text == "profile/NTUSER.DAT" ||
          text == "profile/Favorites" || text.starts_with("profile/Favorites/")) {
        continue;
      }
      std::abort();  // a restore wrote outside Favorites and the IE key's hive
    }
  }

  // For a profile whose hive started empty: every key in it must lie on the way to,
  // or below, the IE key, and no value may sit on the way. Read back through a
  // fresh platform, so that only what reached the file counts.
  void CheckHiveConfinement() const {
    const std::unique_ptr<Platform> platform = MakePlatform();
    static constexpr const char16_t* kWay[] = {u"Software", u"Microsoft", u"Internet Explorer"};
    std::u16string path;
    for (const char16_t* step : kWay) {
      RegKey key = 0;
      if (platform->RegOpenKeyExW(kHkeyCurrentUser, path, kKeyRead, &key) != kErrorSuccess) return;
      std::u16string name;
      const bool hasValue = platform->RegEnumValueW(key, 0, 16384, &name) == kErrorSuccess;
      bool strayKey = false;
      for (std::uint32_t i = 0; platform->RegEnumKeyExW(key, i, 16384, &name) == kErrorSuccess; ++i) {
        if (!SameName(name, step)) strayKey = true;
      }
      (void)platform->RegCloseKey(key);
      if (hasValue || strayKey) std::abort();  // a restore wrote outside the IE key
      path += (path.empty() ? u"" : u"\\");
      path += step;
    }
  }

 private:
  static bool SameName(const std::u16string& a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    }
    return true;
  }

  std::filesystem::path m_root;
};

}  // namespace qv::fuzz
