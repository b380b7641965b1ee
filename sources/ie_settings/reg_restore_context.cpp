#include "sources/ie_settings/reg_restore_context.h"

#include <functional>

#include "platform/text/windows_case.h"

namespace qv {

std::u16string RegRestoreContext::Folded(RegKey root, std::u16string_view subkey, std::u16string_view name) {
  std::u16string folded;
  folded.reserve(subkey.size() + name.size() + 3);
  folded += static_cast<char16_t>(root >> 16);
  folded += static_cast<char16_t>(root & 0xFFFF);
  for (const char16_t unit : subkey) folded += UpperCaseUnit(unit);
  // No key name holds a zero unit, so the value name cannot run into the key's.
  folded += u'\0';
  for (const char16_t unit : name) folded += UpperCaseUnit(unit);
  return folded;
}

void RegRestoreContext::NoteSet(RegKey root, std::u16string_view subkey, std::u16string_view name) {
  m_values.insert(std::hash<std::u16string>{}(Folded(root, subkey, name)));
}

bool RegRestoreContext::WasSet(RegKey root, std::u16string_view subkey, std::u16string_view name) const {
  return m_values.count(std::hash<std::u16string>{}(Folded(root, subkey, name))) != 0;
}

}  // namespace qv
