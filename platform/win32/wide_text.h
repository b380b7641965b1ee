// UTF-16 as the engine holds it and as the wide Windows calls take it: wchar_t is
// 16 bits on Windows, so the units pass unchanged.
#pragma once

#include <string>
#include <string_view>

#include "platform/text/text.h"

namespace qv {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wide Windows calls take UTF-16 units");

// A terminated copy, for the calls that take a C string.
inline std::wstring Wide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }
inline std::u16string FromWide(std::wstring_view text) { return std::u16string(text.begin(), text.end()); }
inline std::string Utf8FromWide(std::wstring_view text) { return ToUtf8(FromWide(text)); }
inline std::wstring WideFromUtf8(std::string_view text) { return Wide(FromUtf8(text)); }

}  // namespace qv
