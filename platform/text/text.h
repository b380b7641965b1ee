// Text conversions. Pure functions: no locale, no OS.
#pragma once

#include <string>
#include <string_view>

namespace qv {

// UTF-16 <-> UTF-8. Unpaired surrogates and invalid bytes become U+FFFD.
std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);
// Whether `text` holds a surrogate without its partner: the one thing UTF-8, and
// so a native name, cannot carry.
bool HasUnpairedSurrogate(std::u16string_view text);

// The narrow form of a password: Windows-1252 ("ANSI" on Western-European
// Windows), up to the first zero character; what the code page cannot hold becomes
// '?'. ASCII stays ASCII.
std::string WideCharToMultiByte(std::u16string_view text);
// Where the first unit of `text` that WideCharToMultiByte does not keep as itself
// begins: a character Windows-1252 lacks, or a zero character; npos when none.
std::size_t FirstUnitNotNarrowed(std::u16string_view text);

}  // namespace qv
