#include "platform/registry_key_path.h"

#include "platform/text.h"
#include "platform/windows_case.h"

namespace qv {
namespace {

Status CheckNameTravels(std::u16string_view name, const char* what) {
  if (name.find(u'\0') != std::u16string_view::npos) {
    return Status::Error(std::string(what) + " contains a NUL character");
  }
  if (FromUtf8(ToUtf8(name)) != name) {
    return Status::Error(std::string(what) + " \"" + ToUtf8(name) +
                         "\" contains an unpaired surrogate");
  }
  return Status::Ok();
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
  for (char16_t& unit : folded) unit = UpperCaseUnit(unit);
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
