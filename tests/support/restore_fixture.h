// What restore tests share on top of ProfileFixture: running a restore of given
// archive bytes, reading back what reached NTUSER.DAT, and snapshots of folders to
// prove that nothing else changed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "jobs/restore_job.h"
#include "tests/support/profile_fixture.h"

namespace qv::test {

struct StoredValue {
  std::uint32_t type = 0;
  std::string data;
  bool operator==(const StoredValue&) const = default;
};

class RestoreFixture {
 public:
  ProfileFixture& Profile() { return m_profile; }
  // Where Restore() puts the archive (outside the profile), native and Windows form.
  std::filesystem::path ArchiveFile() const { return m_profile.Scratch("restore.qvl"); }
  std::u16string ArchivePath() { return m_profile.WindowsPath(ArchiveFile()); }

  RestoreSummary Restore(const std::string& archiveBytes, const std::u16string& password = u"",
                         bool dryRun = false, WindowHandle window = 0);
  // Batches of favorites as small as a test needs to see several.
  void SetBatchLimits(RestoreBatchLimits limits) { m_batchLimits = limits; }

  // The value as NTUSER.DAT holds it on disk (read through a fresh platform).
  std::optional<StoredValue> CommittedValue(std::u16string_view subkey, std::u16string_view name);
  // Every value at or below `key` as NTUSER.DAT holds them: "key\\[name]" -> value.
  std::map<std::string, StoredValue> CommittedTree(std::u16string_view key);
  std::string Favorite(const std::string& relativePath) const;

 private:
  std::unique_ptr<Platform> FreshPlatform();

  ProfileFixture m_profile;
  RestoreBatchLimits m_batchLimits;
};

// Every file below `root` (relative path -> content), links as "-> target".
std::map<std::string, std::string> SnapshotFiles(const std::filesystem::path& root);

}  // namespace qv::test
