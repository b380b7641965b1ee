#include <gtest/gtest.h>

#include "platform/text/text.h"

namespace qv {
namespace {

TEST(PasswordNarrowing, WindowsCodePage1252) {
  EXPECT_EQ(WideCharToMultiByte(u"Secret 123!~"), "Secret 123!~");
  EXPECT_EQ(WideCharToMultiByte(u"caf\u00e9"), "caf\xE9");
  EXPECT_EQ(WideCharToMultiByte(u"\u00ff\u00a0"), "\xFF\xA0");
  // The 0x80..0x9F row holds typographic characters, not C1 controls.
  EXPECT_EQ(WideCharToMultiByte(u"\u20ac\u201a\u0178\u2122"), "\x80\x82\x9F\x99");
  EXPECT_EQ(WideCharToMultiByte(u"a\u4e2db"), "a?b");
  EXPECT_EQ(WideCharToMultiByte(u"\u0100"), "?");  // just past Latin-1
  // One character outside the BMP is one '?', not two.
  EXPECT_EQ(WideCharToMultiByte(u"x\U0001F600y"), "x?y");
  EXPECT_EQ(WideCharToMultiByte(std::u16string(u"ab\0cd", 5)), "ab");
  EXPECT_EQ(WideCharToMultiByte(u""), "");
}

TEST(PasswordNarrowing, UndefinedCodePointsMapToThemselves) {
  // Windows' best-fit table sends the five unassigned positions back to the C1
  // control of the same number.
  EXPECT_EQ(WideCharToMultiByte(u"\u0081\u008d\u008f\u0090\u009d"), "\x81\x8D\x8F\x90\x9D");
  EXPECT_EQ(WideCharToMultiByte(u"\u0080"), "?");  // its byte belongs to the euro sign
}

// What a new password may hold: only what narrowing keeps as itself.
TEST(PasswordNarrowing, TheFirstUnitNotKeptIsFound) {
  const std::pair<std::u16string, std::size_t> cases[] = {
      {u"Gr\u00fc\u00dfe \u20ac\u0153 ?!", std::u16string::npos},
      {u"\u0081\u009d", std::u16string::npos},
      {u"a\u0441b", 1},
      {u"\u0080", 0},
      {u"xy\U0001F600", 2},
      {std::u16string(u"ab\0cd", 5), 2},
      {std::u16string(1, char16_t(0xDC00)), 0},
  };
  for (const auto& [text, at] : cases) EXPECT_EQ(FirstUnitNotNarrowed(text), at) << ToUtf8(text);
}

TEST(Utf8Conversion, RoundTripsAndReplacesInvalidInput) {
  const std::u16string text = u"Favorites \u00e9\u4e2d\U0001F600";
  EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
  EXPECT_EQ(ToUtf8(u"\u00e9"), "\xC3\xA9");
  EXPECT_EQ(ToUtf8(u"ab\u00e9c"), "ab\xC3\xA9" "c");  // ASCII runs on either side
  EXPECT_EQ(FromUtf8("ab\xC3\xA9" "c"), u"ab\u00e9c");
  EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
  EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xDC00)) + u"a"), "\xEF\xBF\xBD" "a");
  // An overlong '/' must not turn into a path separator.
  EXPECT_EQ(FromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");
  EXPECT_EQ(FromUtf8("a\xE2\x82"), u"a\uFFFD");
  EXPECT_EQ(FromUtf8("\xED\xA0\x80"), u"\uFFFD");  // an encoded surrogate
  EXPECT_EQ(FromUtf8("\xF4\x90\x80\x80"), u"\uFFFD");  // past U+10FFFF
}

}  // namespace
}  // namespace qv
