// The Linux platform under test: a profile folder of its own and a scratch folder
// beside it, both temporary. The Linux-only tests use it directly for what only
// this platform has: its profile folder on disk and native paths in "Z:" form.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "platform/linux/linux_platform.h"
#include "platform/text/text.h"
#include "tests/platform/contract/platform_harness.h"
#include "tests/support/temp_dir.h"

namespace qv::test {

class LinuxHarness final : public PlatformHarness {
 public:
  LinuxHarness()
      : m_profileDir(m_home / "profile"),
        m_pPlatform(MakeLinuxPlatform({m_profileDir.string(), (m_home / "classes.dat").string()})) {
    std::filesystem::create_directories(m_profileDir);
  }

  Platform& os() override { return *m_pPlatform; }
  void ResetPlatform() override { m_pPlatform.reset(); }
  std::u16string Win(const std::string& relative) const override {
    return Windows(Native(relative));
  }
  std::filesystem::path Native(const std::string& relative) const override {
    return relative.empty() ? m_scratch.path() : m_scratch / relative;
  }
  std::u16string ProfileFolder() const override { return Windows(m_profileDir); }
  // The hive is new for each harness, so nothing needs removing.
  std::u16string ScratchKey() const override { return u"Software\\Scratch"; }

  const std::filesystem::path& ProfileDir() const { return m_profileDir; }
  static std::u16string Windows(const std::filesystem::path& native) {
    std::u16string path = u"Z:" + FromUtf8(native.string());
    for (char16_t& unit : path) {
      if (unit == u'/') unit = u'\\';
    }
    return path;
  }

 private:
  TempDir m_scratch;
  TempDir m_home;
  std::filesystem::path m_profileDir;
  std::unique_ptr<Platform> m_pPlatform;
};

inline constexpr PlatformUnderTest kLinuxPlatform{
    "Linux", []() -> std::unique_ptr<PlatformHarness> { return std::make_unique<LinuxHarness>(); }};

}  // namespace qv::test
