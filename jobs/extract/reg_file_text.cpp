#include "jobs/extract/reg_file_text.h"

#include <cstdio>

#include "platform/text/text.h"
#include "platform/win_types.h"

namespace qv {
namespace {

// regedit breaks hex lines once they pass this many characters.
constexpr std::size_t kHexLineWidth = 77;

bool HasLineBreak(std::u16string_view text) { return text.find_first_of(u"\r\n") != std::u16string_view::npos; }

std::u16string Ascii(const char* text) { return std::u16string(text, text + std::char_traits<char>::length(text)); }

// Inside "...": a backslash and a double quote are escaped, nothing else is.
std::u16string Quoted(std::u16string_view text) {
  std::u16string out = u"\"";
  for (const char16_t unit : text) {
    if (unit == u'\\' || unit == u'"') out += u'\\';
    out += unit;
  }
  return out + u"\"";
}

// The text of a REG_SZ whose bytes "..." gives back exactly: UTF-16LE code units,
// one terminating zero unit and no other, no line break. False otherwise.
bool PlainString(std::span<const std::uint8_t> data, std::u16string* text) {
  if (data.size() < 2 || data.size() % 2 != 0) return false;
  const std::size_t units = data.size() / 2 - 1;
  if (data[2 * units] != 0 || data[2 * units + 1] != 0) return false;
  text->clear();
  for (std::size_t i = 0; i < units; ++i) {
    const auto unit = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    if (unit == 0) return false;
    *text += unit;
  }
  return !HasLineBreak(*text) && !HasUnpairedSurrogate(*text);
}

std::u16string HexEntry(std::u16string prefix, std::span<const std::uint8_t> data) {
  static const char16_t kDigits[] = u"0123456789abcdef";
  std::u16string out = prefix;
  std::size_t lineLength = prefix.size();
  for (std::size_t i = 0; i < data.size(); ++i) {
    out += kDigits[data[i] >> 4];
    out += kDigits[data[i] & 0xF];
    lineLength += 2;
    if (i + 1 == data.size()) break;
    out += u',';
    ++lineLength;
    if (lineLength >= kHexLineWidth) {
      out += u"\\\r\n  ";
      lineLength = 2;
    }
  }
  return out;
}

}  // namespace

std::u16string RegKeyLine(std::u16string_view root, std::u16string_view subkey) {
  std::u16string line = u"\r\n[";
  line += root;
  if (!subkey.empty()) line += u"\\";
  line += subkey;
  return line + u"]\r\n";
}

std::u16string RegValueText(std::u16string_view name, std::uint32_t type, std::span<const std::uint8_t> data) {
  std::u16string entry = name.empty() ? std::u16string(u"@") : Quoted(name);
  entry += u'=';
  std::u16string text;
  if (type == kRegSz && PlainString(data, &text)) return entry + Quoted(text) + u"\r\n";
  if (type == kRegDword && data.size() == 4) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "dword:%08x",
                  static_cast<unsigned>(data[0] | data[1] << 8 | data[2] << 16 | static_cast<unsigned>(data[3]) << 24));
    return entry + Ascii(digits) + u"\r\n";
  }
  if (type == kRegBinary) return HexEntry(entry + u"hex:", data) + u"\r\n";
  char kind[24];
  std::snprintf(kind, sizeof kind, "hex(%x):", static_cast<unsigned>(type));
  return HexEntry(entry + Ascii(kind), data) + u"\r\n";
}

std::string RegFileNameProblem(std::u16string_view subkey, std::u16string_view name) {
  if (HasLineBreak(subkey)) return "the key's name holds a line break, which a registry file cannot carry";
  if (HasLineBreak(name)) return "the value's name holds a line break, which a registry file cannot carry";
  // Text with one has no UTF-8 form, so the file's importers stop at it; a restore
  // refuses such a name too.
  if (HasUnpairedSurrogate(subkey)) return "the key's name holds an unpaired surrogate, which a registry file cannot carry";
  if (HasUnpairedSurrogate(name)) return "the value's name holds an unpaired surrogate, which a registry file cannot carry";
  return {};
}

std::string Utf16LeBytes(std::u16string_view text, bool withByteOrderMark) {
  std::string bytes;
  bytes.reserve(2 * text.size() + 2);
  if (withByteOrderMark) bytes += "\xFF\xFE";
  for (const char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

}  // namespace qv
