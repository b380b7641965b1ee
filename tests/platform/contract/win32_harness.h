// The Win32 platform under test: a profile folder of its own and a scratch folder
// beside it, both temporary, and a registry key of its own below
// HKEY_CURRENT_USER that plays HKEY_CURRENT_USER, removed at the end. Each harness
// has its own, so tests running at once share nothing.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "platform/text/text.h"
#include "platform/win32/win32_platform.h"
#include "tests/platform/contract/platform_harness.h"
#include "tests/support/scratch_registry.h"
#include "tests/support/temp_dir.h"

namespace qv::test {

class Win32Harness final : public PlatformHarness {
 public:
  Win32Harness() : m_profileDir(m_home / "profile") {
    std::filesystem::create_directories(m_profileDir);
    m_pPlatform = MakeWin32Platform({Windows(m_profileDir), m_registryRoot.Key()});
  }
  ~Win32Harness() override { m_pPlatform.reset(); }

  Platform& os() override { return *m_pPlatform; }
  void ResetPlatform() override { m_pPlatform.reset(); }
  std::u16string Win(const std::string& relative) const override { return Windows(Native(relative)); }
  std::filesystem::path Native(const std::string& relative) const override {
    return relative.empty() ? m_scratch.path() : m_scratch / relative;
  }
  std::u16string ProfileFolder() const override { return Windows(m_profileDir); }
  std::u16string ScratchKey() const override { return u"Software\\Scratch"; }

  static std::u16string Windows(const std::filesystem::path& native) {
    const std::wstring wide = native.wstring();
    std::u16string path(wide.begin(), wide.end());
    for (char16_t& unit : path) {
      if (unit == u'/') unit = u'\\';
    }
    return path;
  }

 private:
  TempDir m_scratch;
  TempDir m_home;
  ScratchRegistryRoot m_registryRoot;
  std::filesystem::path m_profileDir;
  std::unique_ptr<Platform> m_pPlatform;
};

inline constexpr PlatformUnderTest kWin32Platform{
    "Win32", []() -> std::unique_ptr<PlatformHarness> { return std::make_unique<Win32Harness>(); }};

}  // namespace qv::test
