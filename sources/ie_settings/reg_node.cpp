#include "sources/ie_settings/reg_node.h"

#include "platform/platform.h"
#include "platform/text/text.h"
#include "platform/unique_handles.h"
#include "sources/favorites/file_node.h"

namespace qv {
namespace {

// Name buffer of the listing calls, in UTF-16 units with the terminator.
constexpr std::uint32_t kNameCapacity = 10240;

}  // namespace

std::u16string RegNode::FullPath() const {
  const std::u16string key = TextFieldValue(subkey);
  return isKey ? key : FileNode::Join(key, TextFieldValue(valueName));
}

std::string RegNode::Describe(std::uint32_t root, std::u16string_view subkey,
                              std::u16string_view valueName, bool isValue) {
  // Appended piece by piece: g++ 12 at -O3 warns falsely (-Wrestrict) about
  // "literal" + std::string.
  std::string text = root == kHkeyCurrentUser ? "HKEY_CURRENT_USER" : "root " + std::to_string(root);
  text += '\\';
  text += ToUtf8(subkey);
  if (!isValue) return text;
  if (valueName.empty()) {
    text += " (unnamed value)";
  } else {
    text += '\\';
    text += ToUtf8(valueName);
  }
  return text;
}

bool RegNode::ListChildren(NodeList<RegNode>& children,
                           std::vector<SkippedSource>& skipped) const {
  if (!isKey) return false;
  const std::u16string keyPath = TextFieldValue(subkey);
  RegKey openedKey = 0;
  const RegResult opened = Os().RegOpenKeyExW(root, keyPath, kKeyAllAccess, &openedKey);
  if (opened != kErrorSuccess) {
    // A missing key is an empty source; any other refusal hides data worth a word.
    if (opened != kErrorFileNotFound) {
      skipped.push_back({Describe(root, keyPath, u"", false),
                         "the key cannot be opened: " + Os().LastErrorText()});
    }
    return false;
  }
  const UniqueRegKey key(openedKey);  // opened for listing only: nothing to lose at close

  // Unlike a plain stop at the first failure, a name too long for the buffer is
  // passed over so that the rest of the key is still listed.
  std::u16string name;
  for (std::uint32_t index = 0;; ++index) {
    const RegResult result = Os().RegEnumKeyExW(key.Get(), index, kNameCapacity, &name);
    if (result == kErrorNoMoreItems) break;
    if (result == kErrorMoreData) {
      skipped.push_back({Describe(root, keyPath, u"", false),
                         "a subkey name longer than 10239 characters is left out"});
      continue;
    }
    if (result != kErrorSuccess) {
      skipped.push_back({Describe(root, keyPath, u"", false),
                         "listing its subkeys stopped: " + Os().LastErrorText()});
      break;
    }
    RegNode child;
    child.root = root;
    child.isKey = true;
    const std::u16string childPath = FileNode::Join(keyPath, name);
    if (!SetTextField(child.subkey, childPath)) {
      skipped.push_back({Describe(root, childPath, u"", false),
                         "the key path is longer than 259 characters; the key and everything "
                         "below it are left out"});
      continue;
    }
    children.push_back(child);
  }

  for (std::uint32_t index = 0;; ++index) {
    const RegResult result = Os().RegEnumValueW(key.Get(), index, kNameCapacity, &name);
    if (result == kErrorNoMoreItems) break;
    if (result == kErrorMoreData) {
      skipped.push_back({Describe(root, keyPath, u"", false),
                         "a value name longer than 10239 characters is left out"});
      continue;
    }
    if (result != kErrorSuccess) {
      skipped.push_back({Describe(root, keyPath, u"", false),
                         "listing its values stopped: " + Os().LastErrorText()});
      break;
    }
    RegNode child;
    child.root = root;
    child.subkey = subkey;
    child.isKey = false;
    if (!SetTextField(child.valueName, name)) {
      skipped.push_back({Describe(root, keyPath, name.substr(0, 40) + u"...", true),
                         "the value name is longer than 259 characters or holds a NUL"});
      continue;
    }
    children.push_back(child);
  }
  return true;
}

}  // namespace qv
