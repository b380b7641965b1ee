// libFuzzer target: a profile whose NTUSER.DAT is the input. Both backup items are
// backed up (the settings walk reads the hive), then a small archive of settings is
// restored into it, which commits into the hive unless it is refused. Built by
// fuzz/CMakeLists.txt.
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>

#include "fuzz/common/scratch_profile.h"
#include "jobs/backup_job.h"
#include "jobs/restore_job.h"
#include "platform/text/text.h"
#include "store/records.h"

namespace {

// Two values under the IE key, plain: what a small backup of settings holds.
std::string SettingsArchive() {
  std::string bytes;
  const qv::ArchiveHeaderBytes header = qv::EncodeArchiveHeader(qv::MakeArchiveHeader(false, u""));
  bytes.append(reinterpret_cast<const char*>(header.data()), header.size());
  for (const char16_t* name : {u"Start Page", u"Other"}) {
    qv::RegItemHead head;
    head.item.root = qv::kHkeyCurrentUser;
    head.item.type = 1;
    (void)qv::SetTextField(head.item.subkey, u"Software\\Microsoft\\Internet Explorer\\Main");
    (void)qv::SetTextField(head.item.valueName, name);
    const qv::RegItemHeadBytes headBytes = qv::EncodeRegItemHead(head);
    bytes.append(reinterpret_cast<const char*>(headBytes.data()), headBytes.size());
    const std::string data("h\0t\0t\0p\0\0\0", 10);
    const qv::BlockHeadBytes block = qv::EncodeBlockHead({0, static_cast<std::uint32_t>(data.size())});
    bytes.append(reinterpret_cast<const char*>(block.data()), block.size());
    bytes += data;
    const qv::BlockHeadBytes end = qv::EncodeBlockHead({1, 0});
    bytes.append(reinterpret_cast<const char*>(end.data()), end.size());
  }
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static qv::fuzz::ScratchProfile scratch("hive");
  static const std::string kArchive = SettingsArchive();
  scratch.Reset();
  {
    std::ofstream hive(scratch.Profile() / "NTUSER.DAT", std::ios::binary | std::ios::trunc);
    hive.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    std::ofstream archive(scratch.Archive(), std::ios::binary | std::ios::trunc);
    archive << kArchive;
  }
  const std::unique_ptr<qv::Platform> platform = scratch.MakePlatform();
  const qv::ScopedPlatform installed(*platform);

  qv::BackupOptions backup;
  backup.strArchivePath = platform->ToWindowsPath((scratch.Root() / "out.qvl").string());
  (void)qv::RunBackup(backup);  // a hive that cannot be read is reported, never a crash
  qv::RestoreJobOptions restore;
  restore.strArchivePath = platform->ToWindowsPath(scratch.Archive().string());
  (void)qv::RunRestore(restore);
  std::error_code ignored;
  std::filesystem::remove(scratch.Root() / "out.qvl", ignored);
  scratch.CheckConfinement();
  return 0;
}
