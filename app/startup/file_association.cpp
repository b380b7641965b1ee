#include "app/startup/file_association.h"

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/unique_handles.h"

namespace qv::app {
namespace {

// Open or create `subkey` below `parent`; an invalid owner when that failed.
UniqueRegKey CreateKey(RegKey parent, std::u16string_view subkey) {
  RegKey key = 0;
  if (parent == 0 || Os().RegCreateKeyExW(parent, subkey, kKeyAllAccess, &key) != kErrorSuccess) return {};
  return UniqueRegKey(key);
}

// The whole text and its terminator, little-endian, whatever its length.
void SetDefaultValue(const UniqueRegKey& key, std::u16string_view text) {
  if (!key.Valid()) return;
  std::vector<std::uint8_t> bytes;
  bytes.reserve((text.size() + 1) * 2);
  for (const char16_t unit : text) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xff));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  bytes.insert(bytes.end(), {0, 0});
  // A value the hive refuses leaves the association without it; nothing to tell.
  (void)Os().RegSetValueExW(key.Get(), u"", kRegSz, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

}  // namespace

void RegisterFileAssociation(std::u16string_view programPath) {
  if (programPath.empty()) return;
  const std::u16string path(programPath);
  {
    const UniqueRegKey extension = CreateKey(kHkeyClassesRoot, kArchiveExtensionKey);
    SetDefaultValue(extension, kArchiveClassKey);
  }
  {
    const UniqueRegKey archiveClass = CreateKey(kHkeyClassesRoot, kArchiveClassKey);
    const UniqueRegKey icon = CreateKey(archiveClass.Get(), u"DefaultIcon");
    SetDefaultValue(icon, path + u",0");
    const UniqueRegKey shell = CreateKey(archiveClass.Get(), u"shell");
    SetDefaultValue(shell, u"Open");
    const UniqueRegKey open = CreateKey(shell.Get(), u"Open");
    SetDefaultValue(open, u"Restore IE settings and favorites");
    const UniqueRegKey command = CreateKey(open.Get(), u"command");
    std::u16string commandLine = u"\"";
    commandLine += path;
    commandLine += u"\" \"%1\"";
    SetDefaultValue(command, commandLine);
  }
  // Silent as the rest: a hive that cannot be written (another program's copy,
  // a dirty hive, a read-only data folder) only leaves the association out.
  (void)Os().RegCommit(kHkeyClassesRoot);
}

}  // namespace qv::app
