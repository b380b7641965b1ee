#include "jobs/inspect/record_names.h"

#include <cstdio>
#include <iterator>

#include "platform/text/text.h"
#include "platform/win_types.h"

namespace qv {
namespace {

std::string HexCode(const char* prefix, std::uint32_t value) {
  char text[32];
  std::snprintf(text, sizeof text, "%s0x%08X", prefix, static_cast<unsigned>(value));
  return text;
}

}  // namespace

const char* RecordKindName(std::uint32_t kind) {
  if (kind == kFileItemKind) return "favorite";
  if (kind == kRegItemKind) return "setting";
  return "record";
}

std::string RootKeyName(std::uint32_t root) {
  static const char* const kRoots[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE",
                                       "HKEY_USERS",        "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG",
                                       "HKEY_DYN_DATA"};
  if (root >= kHkeyClassesRoot && root - kHkeyClassesRoot < std::size(kRoots)) return kRoots[root - kHkeyClassesRoot];
  return HexCode("root ", root);
}

std::string RegTypeName(std::uint32_t type) {
  static const char* const kTypes[] = {"REG_NONE",
                                       "REG_SZ",
                                       "REG_EXPAND_SZ",
                                       "REG_BINARY",
                                       "REG_DWORD",
                                       "REG_DWORD_BIG_ENDIAN",
                                       "REG_LINK",
                                       "REG_MULTI_SZ",
                                       "REG_RESOURCE_LIST",
                                       "REG_FULL_RESOURCE_DESCRIPTOR",
                                       "REG_RESOURCE_REQUIREMENTS_LIST",
                                       "REG_QWORD"};
  if (type < std::size(kTypes)) return kTypes[type];
  return HexCode("REG_", type);
}

std::string RecordPath(const ScannedRecord& record) {
  if (record.nKind == kFileItemKind) {
    std::u16string folder = TextFieldValue(record.file.item.folder);
    if (!folder.empty() && folder.back() != u'\\') folder += u'\\';
    return ToUtf8(folder + TextFieldValue(record.file.item.name));
  }
  const std::u16string name = TextFieldValue(record.value.item.valueName);
  return RootKeyName(record.value.item.root) + "\\" + ToUtf8(TextFieldValue(record.value.item.subkey)) + " [" +
         (name.empty() ? std::string("(default)") : ToUtf8(name)) + "]";
}

std::string DescribeRecord(const ScannedRecord& record) {
  return std::string(RecordKindName(record.nKind)) + " " + RecordPath(record);
}

}  // namespace qv
