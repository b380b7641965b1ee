#include "app/startup/file_association.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/unique_handles.h"

namespace qv::app {
namespace {

// Open or create `subkey` below `parent`; an invalid owner when that failed.
UniqueRegKey CreateKey(RegistryWrites& writes, RegKey parent, std::u16string_view subkey) {
  RegKey key = 0;
  if (parent == 0 || writes.RegCreateKeyExW(parent, subkey, kKeyAllAccess, &key) != kErrorSuccess) return {};
  return UniqueRegKey(key);
}

// The whole text and its terminator, little-endian, whatever its length.
void SetDefaultValue(RegistryWrites& writes, const UniqueRegKey& key, std::u16string_view text) {
  if (!key.Valid()) return;
  std::vector<std::uint8_t> bytes;
  bytes.reserve((text.size() + 1) * 2);
  for (const char16_t unit : text) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xff));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  bytes.insert(bytes.end(), {0, 0});
  // A value the hive refuses leaves the association without it; nothing to tell.
  (void)writes.RegSetValueExW(key.Get(), u"", kRegSz, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

}  // namespace

void RegisterFileAssociation(std::u16string_view programPath) {
  if (programPath.empty()) return;
  // Silent throughout: a registry that cannot be written (another program's copy
  // of the hive, a dirty hive, a read-only data folder) only leaves the
  // association out.
  Status refused;
  const std::unique_ptr<RegistryWrites> writes = Os().RegBeginWrites(kHkeyClassesRoot, &refused);
  if (!writes) return;
  const std::u16string path(programPath);
  {
    const UniqueRegKey extension = CreateKey(*writes, kHkeyClassesRoot, kArchiveExtensionKey);
    SetDefaultValue(*writes, extension, kArchiveClassKey);
  }
  {
    const UniqueRegKey archiveClass = CreateKey(*writes, kHkeyClassesRoot, kArchiveClassKey);
    const UniqueRegKey icon = CreateKey(*writes, archiveClass.Get(), u"DefaultIcon");
    SetDefaultValue(*writes, icon, path + u",0");
    const UniqueRegKey shell = CreateKey(*writes, archiveClass.Get(), u"shell");
    SetDefaultValue(*writes, shell, u"Open");
    const UniqueRegKey open = CreateKey(*writes, shell.Get(), u"Open");
    SetDefaultValue(*writes, open, u"Restore IE settings and favorites");
    const UniqueRegKey command = CreateKey(*writes, open.Get(), u"command");
    std::u16string commandLine = u"\"";
    commandLine += path;
    commandLine += u"\" \"%1\"";
    SetDefaultValue(*writes, command, commandLine);
  }
  (void)writes->Commit();
}

}  // namespace qv::app
