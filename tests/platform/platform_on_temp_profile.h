// A Linux platform on a fresh temporary profile folder, for the platform's tests.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "platform/linux/linux_platform.h"
#include "platform/text/text.h"
#include "tests/support/temp_dir.h"

namespace qv::test {

class PlatformOnTempProfile {
 public:
  PlatformOnTempProfile()
      : m_profileDir(m_dir / "profile"),
        m_pPlatform(MakeLinuxPlatform({m_profileDir.string(), (m_dir / "classes.dat").string()})) {
    std::filesystem::create_directories(m_profileDir);
  }

  Platform& os() { return *m_pPlatform; }
  // Ends the platform as a program's exit does, with whatever it still holds open.
  void ResetPlatform() { m_pPlatform.reset(); }
  const std::filesystem::path& Root() const { return m_dir.path(); }
  const std::filesystem::path& ProfileDir() const { return m_profileDir; }
  std::filesystem::path Native(const std::string& relative) const { return m_dir / relative; }
  // The Windows form of a path below the temporary folder.
  std::u16string Win(const std::string& relative) const {
    return Windows(m_dir / relative);
  }
  static std::u16string Windows(const std::filesystem::path& native) {
    std::u16string path = u"Z:" + FromUtf8(native.string());
    for (char16_t& unit : path) {
      if (unit == u'/') unit = u'\\';
    }
    return path;
  }

 private:
  TempDir m_dir;
  std::filesystem::path m_profileDir;
  std::unique_ptr<Platform> m_pPlatform;
};

}  // namespace qv::test
