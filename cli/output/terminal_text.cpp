#include "cli/output/terminal_text.h"

namespace qv::cli {
namespace {

void AppendOctal(std::string& out, unsigned char byte) {
  out += '\\';
  out += static_cast<char>('0' + (byte >> 6));
  out += static_cast<char>('0' + ((byte >> 3) & 7));
  out += static_cast<char>('0' + (byte & 7));
}

void AppendControl(std::string& out, unsigned char byte) {
  static constexpr char kNamed[] = "abtnvfr";  // 0x07 to 0x0D
  if (byte >= 0x07 && byte <= 0x0D) {
    out += '\\';
    out += kNamed[byte - 0x07];
  } else {
    AppendOctal(out, byte);
  }
}

// The length of the well-formed UTF-8 sequence at the start of `text`, 0 when
// there is none; *codePoint is what it encodes.
std::size_t Utf8Sequence(std::string_view text, char32_t* codePoint) {
  const auto lead = static_cast<unsigned char>(text[0]);
  std::size_t length = 0;
  char32_t value = 0;
  char32_t least = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, value = lead & 0x1F, least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, value = lead & 0x0F, least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, value = lead & 0x07, least = 0x10000;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[i]);
    if ((next & 0xC0) != 0x80) return 0;
    value = (value << 6) | (next & 0x3F);
  }
  if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  *codePoint = value;
  return length;
}

}  // namespace

std::string TerminalText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    const auto byte = static_cast<unsigned char>(text[0]);
    if (byte < 0x80) {
      if (byte < 0x20 || byte == 0x7F) {
        AppendControl(out, byte);
      } else {
        out += static_cast<char>(byte);
      }
      text.remove_prefix(1);
      continue;
    }
    char32_t codePoint = 0;
    const std::size_t length = Utf8Sequence(text, &codePoint);
    if (length == 0) {
      AppendOctal(out, byte);
      text.remove_prefix(1);
      continue;
    }
    // U+0080 to U+009F: the C1 controls, which a terminal in UTF-8 may obey too.
    if (codePoint <= 0x9F) {
      for (std::size_t i = 0; i < length; ++i) AppendOctal(out, static_cast<unsigned char>(text[i]));
    } else {
      out.append(text.substr(0, length));
    }
    text.remove_prefix(length);
  }
  return out;
}

}  // namespace qv::cli
