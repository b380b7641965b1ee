#include "sources/ie_settings/ie_settings_builder.h"

#include "platform/platform.h"
#include "platform/unique_handles.h"

namespace qv {

RegNode IESettingsBuilder::MakeRoot() {
  RegNode root;
  root.root = kHkeyCurrentUser;
  root.isKey = true;
  // The constant fits its field; a refusal here would be a programming error.
  [[maybe_unused]] const bool fits = SetTextField(root.subkey, kIeSettingsKey);
  return root;
}

std::uint64_t IESettingsBuilder::SumSizes(const NodeList<RegNode>& nodes) {
  std::uint64_t total = 0;
  for (const RegNode& node : nodes) {
    if (node.isKey) continue;
    RegKey opened = 0;
    if (Os().RegOpenKeyExW(node.root, TextFieldValue(node.subkey), kKeyAllAccess, &opened) !=
        kErrorSuccess) {
      continue;
    }
    const UniqueRegKey key(opened);
    std::uint32_t size = 0;
    if (Os().RegQueryValueExW(key.Get(), TextFieldValue(node.valueName), nullptr, nullptr, &size) ==
        kErrorSuccess) {
      total += size;
    }
  }
  return total;
}

}  // namespace qv
