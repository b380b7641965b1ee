// qvl backup, run as the built binary.
#include <gtest/gtest.h>

#include "store/records.h"
#include "tests/support/archive_parser.h"
#include "tests/support/profile_fixture.h"
#include "tests/support/run_tool.h"

namespace qv::test {
namespace {

class QvlBackupTest : public ::testing::Test {
 protected:
  // Runs qvl in the scratch folder with `environment` in front, on the fixture's profile.
  ToolResult Qvl(const std::string& arguments, const std::string& environment = "") {
    return RunTool("cd '" + profile.Scratch("").string() + "' && env -u QVL_PASSWORD XDG_DATA_HOME='" +
                   profile.Scratch("xdg").string() + "' " + environment + " '" + QUORVEL_QVL_BINARY +
                   "' " + arguments + " --profile='" + profile.ProfileDir().string() + "'");
  }
  ArchiveHeader HeaderOf(const std::filesystem::path& file) {
    ArchiveHeaderBytes bytes{};
    const std::string content = ReadFileBytes(file);
    std::copy(content.begin(), content.begin() + 116, bytes.begin());
    return DecodeArchiveHeader(bytes);
  }

  ProfileFixture profile;
};

TEST_F(QvlBackupTest, BacksUpAndSummarises) {
  profile.AddFavorite("Links/site.url", "[InternetShortcut]\r\nURL=http://example.org/\r\n");
  profile.SetValue(kIeKey, u"Start Page", kRegSz, Utf16Bytes(u"about:blank"));

  const ToolResult plain = Qvl("backup plain.qvl");
  ASSERT_EQ(plain.exitCode, 0) << plain.output;
  EXPECT_NE(plain.output.find("Favorites: 1 record, 45 bytes of data"), std::string::npos) << plain.output;
  EXPECT_NE(plain.output.find("IE Settings: 1 record, 22 bytes of data"), std::string::npos) << plain.output;
  EXPECT_NE(plain.output.find(profile.Scratch("plain.qvl").string()), std::string::npos) << plain.output;
  const ParsedArchive parsed = ParseArchive(ReadFileBytes(profile.Scratch("plain.qvl")));
  ASSERT_TRUE(parsed.ok);
  EXPECT_EQ(parsed.records.size(), 2u);
  EXPECT_EQ(parsed.records[0].folder, u"%USERPROFILE%\\Favorites\\Links");

  const ToolResult fromEnvironment = Qvl("backup --compress env.qvl", "QVL_PASSWORD=from-env");
  ASSERT_EQ(fromEnvironment.exitCode, 0) << fromEnvironment.output;
  EXPECT_TRUE(CheckPassword(HeaderOf(profile.Scratch("env.qvl")), u"from-env"));
  EXPECT_EQ(ParseArchive(ReadFileBytes(profile.Scratch("env.qvl"))).records[0].compressed, 1);

  // The file's first line is the password, without its line ending.
  WriteFileBytes(profile.Scratch("pw.txt"), "line-one\r\nline-two\n");
  ASSERT_EQ(Qvl("backup file.qvl --password-file pw.txt").exitCode, 0);
  EXPECT_TRUE(CheckPassword(HeaderOf(profile.Scratch("file.qvl")), u"line-one"));
}

TEST_F(QvlBackupTest, ExitCodesTellUsageFromFailure) {
  WriteFileBytes(profile.Scratch("short.txt"), "12345\n");
  EXPECT_EQ(Qvl("backup").exitCode, 2) << "no archive named";
  EXPECT_EQ(Qvl("backup a.qvl --no-such-option").exitCode, 2);
  EXPECT_EQ(Qvl("backup a.qvl --password-file short.txt").exitCode, 2);
  EXPECT_EQ(Qvl("backup a.qvl", "QVL_PASSWORD=12345").exitCode, 2);
  EXPECT_EQ(Qvl("backup a.qvl --password-file missing.txt").exitCode, 2);
  EXPECT_FALSE(std::filesystem::exists(profile.Scratch("a.qvl")));

  const ToolResult failed = Qvl("backup no-such-folder/a.qvl");
  EXPECT_EQ(failed.exitCode, 1) << failed.output;
  EXPECT_NE(failed.output.find("Backup failed"), std::string::npos) << failed.output;

  // A name no Windows path holds is left out: the archive is written, exit 3.
  profile.AddFavorite("back\\slash.url", "x");
  const ToolResult partial = Qvl("backup partial.qvl");
  EXPECT_EQ(partial.exitCode, 3) << partial.output;
  EXPECT_NE(partial.output.find("back\\slash.url"), std::string::npos) << partial.output;
  EXPECT_TRUE(std::filesystem::exists(profile.Scratch("partial.qvl")));

  EXPECT_EQ(Qvl("backup --help").exitCode, 0);
}

}  // namespace
}  // namespace qv::test
