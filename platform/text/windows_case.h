// Comparing names the way Windows does for paths and variable names: without
// regard to case. Windows uses a full upper-case table; this covers the scripts a
// profile path realistically holds (Latin, Greek, Cyrillic). Outside them, units
// compare exactly, which can only make a comparison stricter, never looser.
#pragma once

#include <string_view>

namespace qv {

char16_t UpperCaseUnit(char16_t unit);
bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b);

}  // namespace qv
