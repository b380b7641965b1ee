#include "tests/support/restore_fixture.h"

#include <memory>

#include "platform/linux_platform.h"
#include "tests/support/temp_dir.h"

namespace qv::test {

RestoreSummary RestoreFixture::Restore(const std::string& archiveBytes, const std::u16string& password,
                                       bool dryRun, WindowHandle window) {
  WriteFileBytes(ArchiveFile(), archiveBytes);
  RestoreJobOptions options;
  options.strArchivePath = ArchivePath();
  options.strPassword = password;
  options.bDryRun = dryRun;
  options.hNotifyWindow = window;
  return RunRestore(options);
}

std::optional<StoredValue> RestoreFixture::CommittedValue(std::u16string_view subkey, std::u16string_view name) {
  LinuxPlatformOptions options;
  options.profileDir = m_profile.ProfileDir().string();
  options.classesHive = m_profile.Scratch("reader-classes.dat").string();
  std::unique_ptr<Platform> fresh = MakeLinuxPlatform(options);
  RegKey key = 0;
  if (fresh->RegOpenKeyExW(kHkeyCurrentUser, subkey, kKeyRead, &key) != kErrorSuccess) return std::nullopt;
  StoredValue value;
  std::uint32_t size = 0;
  std::optional<StoredValue> result;
  if (fresh->RegQueryValueExW(key, name, &value.type, nullptr, &size) == kErrorSuccess) {
    value.data.resize(size);
    if (fresh->RegQueryValueExW(key, name, &value.type, reinterpret_cast<std::uint8_t*>(value.data.data()),
                                &size) == kErrorSuccess) {
      value.data.resize(size);
      result = value;
    }
  }
  (void)fresh->RegCloseKey(key);  // read-only key of a throw-away platform
  return result;
}

std::string RestoreFixture::Favorite(const std::string& relativePath) const {
  return ReadFileBytes(m_profile.FavoritesDir() / relativePath);
}

std::map<std::string, std::string> SnapshotFiles(const std::filesystem::path& root) {
  std::map<std::string, std::string> files;
  std::error_code error;
  for (auto it = std::filesystem::recursive_directory_iterator(root, error);
       !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    const std::string relative = std::filesystem::relative(it->path(), root).string();
    if (it->is_symlink()) {
      files[relative] = "-> " + std::filesystem::read_symlink(it->path()).string();
    } else if (it->is_regular_file()) {
      files[relative] = ReadFileBytes(it->path());
    } else if (it->is_directory()) {
      files[relative + "/"] = "";
    }
  }
  return files;
}

}  // namespace qv::test
