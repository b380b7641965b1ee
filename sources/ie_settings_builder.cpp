#include "sources/ie_settings_builder.h"

#include "platform/platform.h"

namespace qv {

RegNode IESettingsBuilder::MakeRoot() {
  RegNode root;
  root.root = kHkeyCurrentUser;
  root.isKey = true;
  // The constant fits its field; a refusal here would be a programming error.
  [[maybe_unused]] const bool fits = SetTextField(root.subkey, kIeSettingsKey);
  return root;
}

std::uint64_t IESettingsBuilder::SumSizes(const std::vector<RegNode>& nodes) {
  std::uint64_t total = 0;
  for (const RegNode& node : nodes) {
    if (node.isKey) continue;
    RegKey key = 0;
    if (Os().RegOpenKeyExW(node.root, TextFieldValue(node.subkey), kKeyAllAccess, &key) !=
        kErrorSuccess) {
      continue;
    }
    std::uint32_t size = 0;
    if (Os().RegQueryValueExW(key, TextFieldValue(node.valueName), nullptr, nullptr, &size) ==
        kErrorSuccess) {
      total += size;
    }
    (void)Os().RegCloseKey(key);  // opened for reading only: nothing to lose
  }
  return total;
}

}  // namespace qv
