// The text of a registry file as regedit and "reg import" read it: the version 5
// header, "[KEY]" lines, and one entry per value in the form that keeps its type
// and bytes exactly ("..." only for a string that reads back as the same bytes,
// dword: for four bytes of REG_DWORD, hex(N): for everything else). Lines end in
// CR LF; the file is UTF-16LE with a byte-order mark.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace qv {

inline constexpr std::u16string_view kRegFileHeader = u"Windows Registry Editor Version 5.00\r\n";

// "\r\n[ROOT\subkey]\r\n": a blank line, then the key.
std::u16string RegKeyLine(std::u16string_view root, std::u16string_view subkey);
// The value's entry with its line end, long hex wrapped the way regedit wraps it.
std::u16string RegValueText(std::u16string_view name, std::uint32_t type, std::span<const std::uint8_t> data);
// Empty when a registry file can carry this key and value name; otherwise why not
// (a line break cannot stand inside a "[...]" line or a quoted name, and an
// unpaired surrogate cannot be read by an importer that converts the file).
std::string RegFileNameProblem(std::u16string_view subkey, std::u16string_view name);
// Little-endian bytes of the text, with the byte-order mark in front when asked.
std::string Utf16LeBytes(std::u16string_view text, bool withByteOrderMark);

}  // namespace qv
