#include "platform/linux/registry/registry_key_path.h"

#include "platform/text/windows_case.h"
#include "platform/text/text.h"

namespace qv {
namespace {

Status CheckNameTravels(std::u16string_view name, const char* what) {
  if (name.find(u'\0') != std::u16string_view::npos) {
    return Status::Error(std::string(what) + " contains a NUL character");
  }
  if (HasUnpairedSurrogate(name)) {
    return Status::Error(std::string(what) + " \"" + ToUtf8(name) +
                         "\" contains an unpaired surrogate");
  }
  return Status::Ok();
}

// Greek letters with tonos and final sigma, which the shared table leaves alone;
// Windows folds them, and key names in Greek carry them often.
char16_t RegistryUpperCaseUnit(char16_t unit) {
  if (unit == 0x03AC) return 0x0386;
  if (unit >= 0x03AD && unit <= 0x03AF) return static_cast<char16_t>(unit - 0x25);
  if (unit == 0x03C2) return 0x03A3;
  if (unit == 0x03CC) return 0x038C;
  if (unit == 0x03CD || unit == 0x03CE) return static_cast<char16_t>(unit - 0x3F);
  return UpperCaseUnit(unit);
}

}  // namespace

KeyPath AppendKeyPath(const KeyPath& base, std::u16string_view subkey) {
  KeyPath path = base;
  std::size_t start = 0;
  while (start <= subkey.size()) {
    std::size_t end = subkey.find(u'\\', start);
    if (end == std::u16string_view::npos) end = subkey.size();
    if (end > start) path.emplace_back(subkey.substr(start, end - start));
    start = end + 1;
  }
  return path;
}

std::u16string FoldName(std::u16string_view name) {
  std::u16string folded(name);
  for (char16_t& unit : folded) unit = RegistryUpperCaseUnit(unit);
  return folded;
}

std::u16string FoldedPathKey(const KeyPath& path, std::size_t depth) {
  std::u16string key;
  for (std::size_t i = 0; i < depth && i < path.size(); ++i) {
    if (i > 0) key += u'\\';
    key += FoldName(path[i]);
  }
  return key;
}

std::u16string FoldedPathKey(const KeyPath& path) { return FoldedPathKey(path, path.size()); }

std::string DescribeKeyPath(const KeyPath& path) {
  if (path.empty()) return "(root)";
  std::u16string joined;
  for (const std::u16string& name : path) {
    if (!joined.empty()) joined += u'\\';
    joined += name;
  }
  return ToUtf8(joined);
}

Status CheckNewKeyName(std::u16string_view name) {
  if (name.size() > kMaxKeyNameUnits) {
    return Status::Error("key name \"" + ToUtf8(name) + "\" is longer than 255 characters");
  }
  return CheckNameTravels(name, "key name");
}

Status CheckNewValueName(std::u16string_view name) {
  if (name.size() > kMaxValueNameUnits) {
    return Status::Error("value name is longer than 16383 characters");
  }
  return CheckNameTravels(name, "value name");
}

}  // namespace qv
