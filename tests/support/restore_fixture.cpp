#include "tests/support/restore_fixture.h"

#include <memory>
#include <vector>

#include "platform/text/text.h"
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
  options.batchLimits = m_batchLimits;
  return RunRestore(options);
}

std::unique_ptr<Platform> RestoreFixture::FreshPlatform() {
  return m_profile.FreshPlatform(m_profile.Scratch("reader-classes.dat"));
}

namespace {

void CollectTree(Platform& platform, const std::u16string& key, std::map<std::string, StoredValue>* tree) {
  RegKey handle = 0;
  if (platform.RegOpenKeyExW(kHkeyCurrentUser, key, kKeyRead, &handle) != kErrorSuccess) return;
  std::vector<std::u16string> subkeys;
  std::u16string name;
  for (std::uint32_t i = 0; platform.RegEnumKeyExW(handle, i, 10240, &name) == kErrorSuccess; ++i) {
    subkeys.push_back(name);
  }
  for (std::uint32_t i = 0; platform.RegEnumValueW(handle, i, 10240, &name) == kErrorSuccess; ++i) {
    StoredValue value;
    std::uint32_t size = 0;
    if (platform.RegQueryValueExW(handle, name, &value.type, nullptr, &size) != kErrorSuccess) continue;
    value.data.resize(size);
    if (platform.RegQueryValueExW(handle, name, &value.type, reinterpret_cast<std::uint8_t*>(value.data.data()),
                                  &size) != kErrorSuccess) {
      continue;
    }
    (*tree)[ToUtf8(key) + "\\[" + ToUtf8(name) + "]"] = value;
  }
  (void)platform.RegCloseKey(handle);  // read-only key of a throw-away platform
  for (const std::u16string& subkey : subkeys) CollectTree(platform, key + u"\\" + subkey, tree);
}

}  // namespace

std::map<std::string, StoredValue> RestoreFixture::CommittedTree(std::u16string_view key) {
  std::map<std::string, StoredValue> tree;
  CollectTree(*FreshPlatform(), std::u16string(key), &tree);
  return tree;
}

std::optional<StoredValue> RestoreFixture::CommittedValue(std::u16string_view subkey, std::u16string_view name) {
  std::unique_ptr<Platform> fresh = FreshPlatform();
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
    const std::string relative = std::filesystem::relative(it->path(), root).generic_string();
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
