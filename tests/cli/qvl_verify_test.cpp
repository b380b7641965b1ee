// qvl verify, run as the built binary: a sound archive passes; each kind of damage
// names its record and offset and exits 1; --salvage finds the records after it.
#include <gtest/gtest.h>

#include <functional>

#include "tests/cli/qvl_session.h"
#include "tests/support/archive_builder.h"
#include "tests/support/profile_fixture.h"
#include "tests/support/temp_dir.h"

namespace qv::test {
namespace {

constexpr char16_t kFavorites[] = u"%USERPROFILE%\\Favorites";
constexpr char16_t kMain[] = u"Software\\Microsoft\\Internet Explorer\\Main";
constexpr char16_t kPassword[] = u"the password";

void Put32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}
std::uint32_t Get32(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
  return value;
}

// Four records: a compressed favorite, a compressed and protected favorite, a
// plain value and a protected value.
struct FourRecords {
  FourRecords() {
    const Coding compressed{true, false, kPassword};
    const Coding both{true, true, kPassword};
    const Coding encrypted{false, true, kPassword};
    archive.Header(true, kPassword)
        .File(kFavorites, u"a.url", "[InternetShortcut]\r\nURL=http://a.example/\r\n" + std::string(3000, 'a'), compressed)
        .File(std::u16string(kFavorites) + u"\\Sub", u"b.bin", Bytes(5000, 2), both)
        .Value(kMain, u"Plain", kRegBinary, Bytes(300, 3))
        .Value(kMain, u"Secret", kRegSz, Utf16Bytes(u"hidden value") + std::string(2, '\0'), encrypted);
  }
  // Where record i starts, and where its first block head and payload start.
  std::size_t Start(int i) const { return archive.Boundaries()[i]; }
  std::size_t FirstBlock(int i) const { return Start(i) + (i < 2 ? 1048 : 1056); }
  std::size_t FirstPayload(int i) const { return FirstBlock(i) + 8; }

  ArchiveBuilder archive;
};

class QvlVerifyTest : public ::testing::Test {
 protected:
  QvlResult Verify(const std::string& bytes, const std::string& options = "") {
    WriteFileBytes(session.Scratch("v.qvl"), bytes);
    return session.Run("verify v.qvl " + options, "QVL_PASSWORD='the password'");
  }

  FourRecords four;
  QvlSession session;
};

TEST_F(QvlVerifyTest, ASoundArchivePassesAndWritesNothing) {
  const QvlResult sound = Verify(four.archive.Bytes());
  EXPECT_EQ(sound.exitCode, 0) << sound.out << sound.err;
  EXPECT_NE(sound.out.find("4 records (2 favorites, 2 settings)"), std::string::npos) << sound.out;
  EXPECT_NE(sound.out.find("Sound"), std::string::npos) << sound.out;
  EXPECT_EQ(ReadFileBytes(session.Scratch("v.qvl")), four.archive.Bytes());
}

TEST_F(QvlVerifyTest, EachDamageNamesItsRecordAndExitsOne) {
  struct Case {
    const char* what;
    std::function<void(std::string&)> damage;
    int record;               // whose name and offset the report must give
    const char* reason;       // a word of the reason
  };
  const FourRecords& f = four;
  const std::vector<Case> cases = {
      {"compressed block's filter byte", [&](std::string& b) { b[f.FirstPayload(0) + 1] = 7; }, 0, "filter"},
      {"compressed block's size field", [&](std::string& b) { Put32(b, f.FirstPayload(0) + 7, 0x7FFFFFFF); }, 0,
       "more than one piece"},
      {"compressed data", [&](std::string& b) { for (int i = 20; i < 40; ++i) b[f.FirstPayload(0) + i] ^= 0x5A; }, 0,
       "could not be decoded"},
      {"block length beyond any block",
       [&](std::string& b) { Put32(b, f.FirstBlock(1) + 4, 0x00F00000); }, 1, "more than any block holds"},
      {"block length shrunk", [&](std::string& b) { Put32(b, f.FirstBlock(2) + 4, Get32(b, f.FirstBlock(2) + 4) - 3); },
       2, "a block length before it is damaged"},
      {"block length one short", [&](std::string& b) { Put32(b, f.FirstBlock(2) + 4, Get32(b, f.FirstBlock(2) + 4) - 1); },
       2, "a block length before it is damaged"},
      {"block length grown", [&](std::string& b) { Put32(b, f.FirstBlock(2) + 4, Get32(b, f.FirstBlock(2) + 4) + 40); },
       2, "a block length before it is damaged"},
      {"encrypted block's padded length", [&](std::string& b) { Put32(b, f.FirstPayload(3) + 4, 33); }, 3, "bad lengths"},
      {"encrypted block's plain length", [&](std::string& b) { Put32(b, f.FirstPayload(1), 4096); }, 1, "decoded"},
      {"encrypted compressed data", [&](std::string& b) { b[f.FirstPayload(1) + 12] ^= 1; }, 1, "could not be decoded"},
      {"name without terminator",
       [&](std::string& b) { for (int i = 0; i < 520; i += 2) b[f.Start(2) + 12 + i] = 'x'; }, 2, "terminator"},
  };
  const std::vector<std::string> names = {"a.url", "b.bin", "[Plain]", "[Secret]"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string bytes = f.archive.Bytes();
    c.damage(bytes);
    const QvlResult result = Verify(bytes);
    EXPECT_EQ(result.exitCode, 1) << result.out;
    const std::string damaged = "record at offset " + std::to_string(f.Start(c.record));
    const std::size_t line = result.out.find(damaged);
    ASSERT_NE(line, std::string::npos) << result.out;
    const std::string text = result.out.substr(result.out.rfind('\n', line) + 1);
    EXPECT_NE(text.substr(0, text.find('\n')).find(names[c.record]), std::string::npos) << result.out;
    EXPECT_NE(text.find(c.reason), std::string::npos) << result.out;
  }
}

TEST_F(QvlVerifyTest, TruncatedAndTrailingDataAreReported) {
  const std::string& bytes = four.archive.Bytes();
  const QvlResult cut = Verify(bytes.substr(0, four.FirstPayload(1) + 10));
  EXPECT_EQ(cut.exitCode, 1);
  EXPECT_NE(cut.out.find("Cut short: favorite %USERPROFILE%\\Favorites\\Sub\\b.bin"), std::string::npos) << cut.out;
  EXPECT_NE(cut.out.find("The archive ends early"), std::string::npos) << cut.out;

  const QvlResult headCut = Verify(bytes.substr(0, four.Start(3) + 100));
  EXPECT_EQ(headCut.exitCode, 1);
  EXPECT_NE(headCut.out.find("the record head at offset " + std::to_string(four.Start(3)) + " is cut short"),
            std::string::npos)
      << headCut.out;

  const QvlResult trailing = Verify(bytes + "xyz");
  EXPECT_EQ(trailing.exitCode, 1);
  EXPECT_NE(trailing.out.find("Trailing data: 3 bytes at offset " + std::to_string(bytes.size())), std::string::npos)
      << trailing.out;
  const QvlResult junk = Verify(bytes + std::string(64, '\x7F'));
  EXPECT_EQ(junk.exitCode, 1);
  EXPECT_NE(junk.out.find("Trailing data: 64 bytes"), std::string::npos) << junk.out;
  // Junk after a whole end marker is no fault of the record before it.
  const QvlResult kinds = Verify(bytes + std::string("\x05\0\0\0\x05\0\0\0", 8));
  EXPECT_EQ(kinds.exitCode, 1);
  EXPECT_EQ(kinds.out.find("Damaged"), std::string::npos) << kinds.out;
}

TEST_F(QvlVerifyTest, SalvageFindsTheRecordsAfterDamageThatBreaksTheFraming) {
  struct Case {
    const char* what;
    std::function<void(std::string&)> damage;
  };
  const FourRecords& f = four;
  const std::vector<Case> cases = {
      {"kind code", [&](std::string& b) { Put32(b, f.Start(1), 9); }},
      {"block length", [&](std::string& b) { Put32(b, f.FirstBlock(1) + 4, 0x00F00000); }},
      {"a zeroed sector", [&](std::string& b) { std::fill_n(b.begin() + f.Start(1) + 1000, 512, '\0'); }},
      {"a cleared end marker", [&](std::string& b) { std::fill_n(b.begin() + f.Start(2) - 8, 8, '\0'); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string bytes = f.archive.Bytes();
    c.damage(bytes);
    const QvlResult plain = Verify(bytes);
    EXPECT_EQ(plain.exitCode, 1);
    const QvlResult salvaged = Verify(bytes, "--salvage");
    EXPECT_EQ(salvaged.exitCode, 1) << "damage is never sound";
    EXPECT_NE(salvaged.out.find("Skipped "), std::string::npos) << salvaged.out;
    EXPECT_EQ(salvaged.out.find("Damaged: setting"), std::string::npos) << salvaged.out;

    // The records after the damage come back whole.
    const QvlResult extracted = session.Run("extract v.qvl --salvage --to out --json", "QVL_PASSWORD='the password'");
    EXPECT_EQ(extracted.exitCode, 3) << extracted.out << extracted.err;
    const std::string reg = ReadFileBytes(session.Scratch("out/settings.reg"));
    EXPECT_NE(reg.find(Utf16Bytes(u"\"Plain\"=hex:")), std::string::npos);
    EXPECT_NE(reg.find(Utf16Bytes(u"\"Secret\"=\"hidden value\"")), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(session.Scratch("out/Favorites/a.url"))) << extracted.out;
    std::filesystem::remove_all(session.Scratch("out"));
  }
}

TEST_F(QvlVerifyTest, AProtectedArchiveNeedsItsPassword) {
  WriteFileBytes(session.Scratch("v.qvl"), four.archive.Bytes());
  const QvlResult none = session.Run("verify v.qvl");
  EXPECT_EQ(none.exitCode, 2);
  EXPECT_NE(none.err.find("v.qvl is password protected"), std::string::npos) << none.err;
  const QvlResult wrong = session.Run("verify v.qvl", "QVL_PASSWORD=wrong");
  EXPECT_EQ(wrong.exitCode, 1);
  EXPECT_EQ(wrong.err.rfind("Wrong password! Please check it again!\n", 0), 0u) << wrong.err;
}

}  // namespace
}  // namespace qv::test
