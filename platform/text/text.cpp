#include "platform/text/text.h"

#include <array>
#include <cstdint>
#include <type_traits>

namespace qv {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

void AppendUtf16(std::u16string& out, char32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

// Decodes one UTF-8 sequence at text[pos], advancing pos. Overlong forms, encoded
// surrogates and values past U+10FFFF are rejected so that a crafted name cannot
// smuggle in a character (such as '/' or NUL) under another spelling. A bad lead
// byte or a broken sequence consumes the bytes seen so far and yields U+FFFD.
char32_t DecodeUtf8(std::string_view text, std::size_t& pos) {
  const auto lead = static_cast<std::uint8_t>(text[pos++]);
  if (lead < 0x80) return lead;

  int trailing = 0;
  char32_t cp = 0;
  char32_t minimum = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    trailing = 1, cp = lead & 0x1F, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    trailing = 2, cp = lead & 0x0F, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    trailing = 3, cp = lead & 0x07, minimum = 0x10000;
  } else {
    return kReplacement;
  }

  for (int i = 0; i < trailing; ++i) {
    if (pos >= text.size()) return kReplacement;
    const auto next = static_cast<std::uint8_t>(text[pos]);
    if ((next & 0xC0) != 0x80) return kReplacement;  // leave it for the next round
    cp = (cp << 6) | (next & 0x3F);
    ++pos;
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kReplacement;
  return cp;
}

// Unicode code points of Windows-1252 bytes 0x80..0x9F. The five bytes that the
// code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) hold the C1 control of
// the same number: Windows converts those controls to those bytes, and a password
// typed on Windows must narrow here to the same key.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char NarrowTo1252(char16_t unit) {
  if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<char>(unit);
  for (std::size_t i = 0; i < kCp1252High.size(); ++i) {
    if (kCp1252High[i] == unit) return static_cast<char>(0x80 + i);
  }
  return '?';
}

}  // namespace

namespace {

// The ASCII units from `from` on: paths are mostly made of them, and a run of them
// converts without looking at each unit twice.
template <typename Char>
std::size_t AsciiRunEnd(std::basic_string_view<Char> text, std::size_t from) {
  while (from < text.size() && static_cast<std::make_unsigned_t<Char>>(text[from]) < 0x80) ++from;
  return from;
}

template <typename Out, typename Char>
void AppendAscii(Out& out, std::basic_string_view<Char> text, std::size_t from, std::size_t end) {
  const std::size_t at = out.size();
  out.resize(at + (end - from));
  for (std::size_t i = from; i < end; ++i) out[at + i - from] = static_cast<typename Out::value_type>(text[i]);
}

}  // namespace

std::string ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (const std::size_t end = AsciiRunEnd(text, i); end != i) {
      AppendAscii(out, text, i, end);
      i = end - 1;
      continue;
    }
    const char16_t unit = text[i];
    if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      const char32_t cp = 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
      AppendUtf8(out, cp);
      ++i;
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      AppendUtf8(out, kReplacement);
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

std::u16string FromUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (const std::size_t end = AsciiRunEnd(text, pos); end != pos) {
      AppendAscii(out, text, pos, end);
      pos = end;
      continue;
    }
    AppendUtf16(out, DecodeUtf8(text, pos));
  }
  return out;
}

bool HasUnpairedSurrogate(std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      ++i;
    } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
      return true;
    }
  }
  return false;
}

std::string WideCharToMultiByte(std::u16string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size() && text[i] != 0; ++i) {
    out.push_back(NarrowTo1252(text[i]));
    // A surrogate pair is one character the code page cannot hold: Windows writes a
    // single '?' for it, not one per unit.
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) ++i;
  }
  return out;
}

std::size_t FirstUnitNotNarrowed(std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == 0 || (NarrowTo1252(text[i]) == '?' && text[i] != u'?')) return i;
  }
  return std::u16string_view::npos;
}

}  // namespace qv
