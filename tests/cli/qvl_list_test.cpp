// qvl list, run as the built binary, checked against the archive as the tests'
// own parser reads it.
#include <gtest/gtest.h>

#include <sstream>

#include "platform/text/text.h"
#include "tests/cli/qvl_session.h"
#include "tests/support/archive_builder.h"
#include "tests/support/archive_parser.h"
#include "tests/support/run_tool.h"
#include "tests/support/temp_dir.h"

namespace qv::test {
namespace {

// One line per record from list --json: offset, kind, path, stored, plain, flags.
constexpr char kRecordLines[] = R"(
import json, sys
d = json.load(sys.stdin)
for r in d["records"]:
    plain = "?" if r["plainBytes"] is None else r["plainBytes"]
    print(r["offset"], r["kind"], r["path"], r["storedBytes"], plain, int(r["compressed"]), int(r["protected"]), sep="|")
)";

std::string ExpectedLine(const ParsedRecord& record, const std::u16string& password, bool plainKnown) {
  std::size_t stored = 0;
  for (const std::string& payload : record.payloads) stored += payload.size();
  const std::string plain = plainKnown ? std::to_string(DecodeRecord(record, password).size()) : "?";
  std::string path;
  if (record.kind == kFileItemKind) {
    path = "favorite|" + ToUtf8(record.folder) + "\\" + ToUtf8(record.name);
  } else {
    path = "setting|HKEY_CURRENT_USER\\" + ToUtf8(record.subkey) + " [" +
           (record.valueName.empty() ? std::string("(default)") : ToUtf8(record.valueName)) + "]";
  }
  return std::to_string(record.offset) + "|" + path + "|" + std::to_string(stored) + "|" + plain + "|" +
         std::to_string(record.compressed) + "|" + std::to_string(record.isProtected);
}

class QvlListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ToolAvailable("python3")) GTEST_SKIP() << "python3 is needed to read the JSON";
    ProfileFixture& profile = session.Profile();
    profile.AddFavorite("Links/site.url", "[InternetShortcut]\r\nURL=http://example.org/\r\n");
    profile.AddFavorite("big.bin", Bytes(250000, 7));
    profile.AddFavorite("empty.url", "");
    profile.SetValue(kIeKey, u"Start Page", kRegSz, Utf16Bytes(u"about:blank") + std::string(2, '\0'));
    profile.SetValue(std::u16string(kIeKey) + u"\\Main", u"", kRegDword, std::string("\x01\x00\x00\x00", 4));
  }

  // Every record of `archive` as list --json shows it, and as the parser expects it.
  void ExpectListingMatches(const std::string& archive, const std::string& environment, const std::u16string& password,
                            bool plainKnown) {
    const QvlResult listed = session.Run("list --json " + archive, environment);
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    int pythonExit = -1;
    const std::string lines = RunPython(kRecordLines, listed.out, &pythonExit);
    ASSERT_EQ(pythonExit, 0) << "list --json does not parse:\n" << listed.out;
    const ParsedArchive parsed = ParseArchive(ReadFileBytes(session.Scratch(archive)));
    ASSERT_TRUE(parsed.ok) << parsed.error;
    std::string expected;
    for (const ParsedRecord& record : parsed.records) {
      const bool known = plainKnown || record.payloads.empty() || record.compressed == 0 || record.isProtected == 0;
      expected += ExpectedLine(record, password, known) + "\n";
    }
    EXPECT_EQ(lines, expected);
  }

  QvlSession session;
};

TEST_F(QvlListTest, ListsEveryRecordOfARealBackupWithExactSizes) {
  for (const std::string coding : {"", "--compress"}) {
    SCOPED_TRACE(coding);
    ASSERT_EQ(session.RunOnProfile("backup a.qvl " + coding).exitCode, 0);
    ExpectListingMatches("a.qvl", "", u"", true);
    const QvlResult text = session.Run("list a.qvl");
    EXPECT_EQ(text.exitCode, 0);
    // A heading, one line per record, a total.
    EXPECT_EQ(std::count(text.out.begin(), text.out.end(), '\n'), 2 + 6) << text.out;
    EXPECT_NE(text.out.find("REG_DWORD"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("[(default)]"), std::string::npos) << text.out;
  }
}

TEST_F(QvlListTest, AProtectedCompressedRecordNeedsThePasswordForItsPlainSize) {
  ASSERT_EQ(session.RunOnProfile("backup p.qvl --compress", "QVL_PASSWORD=secret-one").exitCode, 0);
  ExpectListingMatches("p.qvl", "", u"secret-one", false);
  ExpectListingMatches("p.qvl", "QVL_PASSWORD=secret-one", u"secret-one", true);
  const QvlResult wrong = session.Run("list p.qvl", "QVL_PASSWORD=secret-two");
  EXPECT_EQ(wrong.exitCode, 1);
  EXPECT_EQ(wrong.err.rfind("Wrong password! Please check it again!\n", 0), 0u) << wrong.err;

  // Protected but not compressed: the plain size is in the clear.
  ASSERT_EQ(session.RunOnProfile("backup q.qvl", "QVL_PASSWORD=secret-one").exitCode, 0);
  ExpectListingMatches("q.qvl", "", u"secret-one", true);
}

TEST_F(QvlListTest, ACutArchiveListsWhatItHoldsAndExitsThree) {
  ASSERT_EQ(session.RunOnProfile("backup a.qvl").exitCode, 0);
  const std::string bytes = ReadFileBytes(session.Scratch("a.qvl"));
  WriteFileBytes(session.Scratch("cut.qvl"), bytes.substr(0, bytes.size() - 5));
  const QvlResult cut = session.Run("list cut.qvl");
  EXPECT_EQ(cut.exitCode, 3);
  EXPECT_NE(cut.out.find("cut short"), std::string::npos) << cut.out;
  EXPECT_NE(cut.err.find("The archive ends early"), std::string::npos) << cut.err;
}

}  // namespace
}  // namespace qv::test
