#include "platform/text/windows_case.h"

namespace qv {

char16_t UpperCaseUnit(char16_t unit) {
  const auto shifted = [unit](int by) { return static_cast<char16_t>(unit - by); };
  if (unit >= u'a' && unit <= u'z') return shifted(0x20);
  if (unit < 0x80) return unit;
  // Latin-1: U+00E0..U+00FE map down by 0x20, except the division sign.
  if (unit >= 0x00E0 && unit <= 0x00FE && unit != 0x00F7) return shifted(0x20);
  if (unit == 0x00FF) return 0x0178;
  // Latin Extended-A pairs its letters upper, lower, upper, lower...; the stretch
  // U+0139..U+0148 and U+0179..U+017E start on an odd unit instead.
  if (unit >= 0x0100 && unit <= 0x0137 && (unit & 1)) return shifted(1);
  if (unit >= 0x014A && unit <= 0x0177 && (unit & 1)) return shifted(1);
  if (((unit >= 0x0139 && unit <= 0x0148) || (unit >= 0x0179 && unit <= 0x017E)) && !(unit & 1)) {
    return shifted(1);
  }
  // Greek and Cyrillic.
  if (unit >= 0x03B1 && unit <= 0x03C9 && unit != 0x03C2) return shifted(0x20);
  if (unit >= 0x0430 && unit <= 0x044F) return shifted(0x20);
  if (unit >= 0x0450 && unit <= 0x045F) return shifted(0x50);
  return unit;
}

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (UpperCaseUnit(a[i]) != UpperCaseUnit(b[i])) return false;
  }
  return true;
}

}  // namespace qv
