// The restore job: the checks before anything is touched, the password, the hive
// that must not be written, the dry run, and the outcome it reports.
#include "jobs/restore_job.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "jobs/restore_summary_text.h"
#include "processors/des_cryptors.h"
#include "tests/support/archive_builder.h"
#include "tests/support/restore_fixture.h"
#include "tests/support/temp_dir.h"

namespace qv::test {
namespace {

constexpr char16_t kFavorites[] = u"%USERPROFILE%\\Favorites";
constexpr char16_t kMain[] = u"Software\\Microsoft\\Internet Explorer\\Main";
const std::string kIncorrect = "The archive is incorrect! Please make sure the file is an archive and try again!";
const std::string kWrongPassword = "Wrong password! Please check it again!";

// A protected header whose verifier was made from the phrase with `last` as its
// 65th byte instead of the terminator.
std::string HeaderWithPhraseEnd(const std::u16string& password, char last) {
  std::string phrase(kPasswordCheckPhrase);
  phrase += last;
  const std::string verifier = EncodePayload(phrase, Coding{false, true, password});
  ArchiveHeader header;
  header.isProtected = 1;
  header.verifierLength = static_cast<std::uint32_t>(verifier.size());
  std::copy(verifier.begin(), verifier.end(), header.verifier.begin());
  return HeaderBytes(header);
}

class RestoreJobTest : public ::testing::Test {
 protected:
  RestoreFixture m_fixture;
};

TEST_F(RestoreJobTest, HeadersThatAreNotOursAreRefusedBeforeAnythingIsTouched) {
  const std::string good = ArchiveBuilder().Header().Bytes();
  ArchiveHeader v2;
  v2.version = 2;
  ArchiveHeader longVerifier = MakeArchiveHeader(true, u"secret1");
  longVerifier.verifierLength = 200;
  ArchiveHeader shortVerifier = MakeArchiveHeader(true, u"secret1");
  shortVerifier.verifierLength = 8;
  std::string noZero = good;
  noZero[3] = 'X';
  const std::string records = ArchiveBuilder().File(kFavorites, u"a.url", "a").Bytes();
  const std::pair<const char*, std::string> cases[] = {
      {"empty", ""},
      {"115 bytes", good.substr(0, 115)},
      {"QVL without its zero byte", noZero + records},
      {"version 2", HeaderBytes(v2) + records},
      {"verifier length 200", HeaderBytes(longVerifier) + records},
      {"verifier too short for the phrase", HeaderBytes(shortVerifier) + records},
  };
  for (const auto& [what, bytes] : cases) {
    SCOPED_TRACE(what);
    const RestoreSummary summary = m_fixture.Restore(bytes, u"secret1");
    EXPECT_EQ(summary.check, ArchiveCheckResult::kIncorrect);
    EXPECT_EQ(summary.strMessage, kIncorrect);
    EXPECT_EQ(summary.outcome, RestoreOutcome::kFailed);
    EXPECT_TRUE(std::filesystem::is_empty(m_fixture.Profile().FavoritesDir()));
  }
}

TEST_F(RestoreJobTest, AMissingArchiveIsReportedAndNotCreated) {
  RestoreJobOptions options;
  const std::filesystem::path missing = m_fixture.Profile().Scratch("no such.qvl");
  options.strArchivePath = m_fixture.Profile().WindowsPath(missing);
  const RestoreSummary summary = RunRestore(options);
  EXPECT_EQ(summary.check, ArchiveCheckResult::kCannotOpen);
  EXPECT_EQ(summary.strMessage,
            "Failed to open the source file, please make sure your filename has entered correct!\n");
  EXPECT_FALSE(std::filesystem::exists(missing));
  EXPECT_FALSE(m_fixture.Profile().platform().PathFileExistsW(options.strArchivePath));
}

TEST_F(RestoreJobTest, ThePasswordMustOpenTheVerifier) {
  const Coding coding{true, true, u"right password"};
  ArchiveBuilder archive;
  archive.Header(true, u"right password").File(kFavorites, u"a.url", "secret content", coding);
  for (const std::u16string& wrong : {std::u16string(u""), std::u16string(u"wrong password"),
                                      std::u16string(u"right passwor"), std::u16string(u"Right password")}) {
    const RestoreSummary summary = m_fixture.Restore(archive.Bytes(), wrong);
    EXPECT_EQ(summary.check, ArchiveCheckResult::kWrongPassword);
    EXPECT_EQ(summary.strMessage, kWrongPassword);
    EXPECT_FALSE(std::filesystem::exists(m_fixture.Profile().FavoritesDir() / "a.url"));
  }
  const RestoreSummary summary = m_fixture.Restore(archive.Bytes(), u"right password");
  EXPECT_EQ(summary.outcome, RestoreOutcome::kOk) << FormatRestoreSummary(summary);
  EXPECT_EQ(m_fixture.Favorite("a.url"), "secret content");
}

TEST_F(RestoreJobTest, OnlyTheFirst64PhraseBytesAreCompared) {
  const std::string records = ArchiveBuilder().File(kFavorites, u"a.url", "x", Coding{false, true, u"secret1"}).Bytes();
  const std::string header = HeaderWithPhraseEnd(u"secret1", 'Q');
  ArchiveHeaderBytes headerBytes{};
  std::copy(header.begin(), header.end(), headerBytes.begin());
  EXPECT_EQ(CheckArchivePassword(DecodeArchiveHeader(headerBytes), u"secret1"), ArchiveCheckResult::kOk);
  EXPECT_EQ(m_fixture.Restore(header + records, u"secret2").check, ArchiveCheckResult::kWrongPassword);
  const RestoreSummary summary = m_fixture.Restore(header + records, u"secret1");
  EXPECT_EQ(summary.outcome, RestoreOutcome::kOk) << FormatRestoreSummary(summary);
  EXPECT_EQ(m_fixture.Favorite("a.url"), "x");
}

TEST_F(RestoreJobTest, AnUnprotectedArchiveIgnoresAGivenPassword) {
  ArchiveBuilder archive;
  archive.Header().File(kFavorites, u"a.url", "plain");
  const RestoreSummary summary = m_fixture.Restore(archive.Bytes(), u"whatever");
  EXPECT_EQ(summary.outcome, RestoreOutcome::kOk);
  EXPECT_EQ(m_fixture.Favorite("a.url"), "plain");
}

// The front end that started the job says it ended; the job only reports progress.
TEST_F(RestoreJobTest, TheJobPostsOnlyProgressWhateverTheOutcome) {
  MessageRecorder window;
  m_fixture.Restore("not an archive", u"", false, window.Window());
  EXPECT_EQ(window.Messages(), (std::vector<PostedMessage>{}));
  window.Clear();
  m_fixture.Restore(ArchiveBuilder().Header().Bytes(), u"", false, window.Window());
  EXPECT_EQ(window.Messages(), (std::vector<PostedMessage>{{WM_JOB_PROGRESS, 0, 0}}));
}

TEST_F(RestoreJobTest, ADirtyHiveKeepsItsBytesWhileFavoritesAreRestored) {
  m_fixture.Profile().SetValue(kMain, u"Start Page", kRegSz, "old");
  if (!std::filesystem::exists(m_fixture.Profile().HivePath())) GTEST_SKIP() << "the settings live in no hive file";
  std::string hive = ReadFileBytes(m_fixture.Profile().HivePath());
  ASSERT_GE(hive.size(), 512u);
  // Secondary sequence number one ahead of the primary; checksum (XOR of the first
  // 127 dwords, at 0x1FC) made right again so that only the dirtiness is wrong.
  hive[8] = static_cast<char>(hive[8] + 1);
  std::uint32_t sum = 0;
  for (int at = 0; at < 0x1FC; at += 4) {
    std::uint32_t dword = 0;
    for (int i = 0; i < 4; ++i) dword |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(hive[at + i])) << (8 * i);
    sum ^= dword;
  }
  for (int i = 0; i < 4; ++i) hive[0x1FC + i] = static_cast<char>(sum >> (8 * i));

  // A profile whose platform first meets the hive dirty, as a new run of the program would.
  RestoreFixture fresh;
  WriteFileBytes(fresh.Profile().HivePath(), hive);
  ArchiveBuilder archive;
  archive.Header().File(kFavorites, u"a.url", "fav").Value(kMain, u"Start Page", kRegSz, "new");
  const RestoreSummary summary = fresh.Restore(archive.Bytes());
  EXPECT_EQ(summary.outcome, RestoreOutcome::kPartial);
  EXPECT_NE(summary.strRegistryProblem.find("dirty"), std::string::npos) << summary.strRegistryProblem;
  EXPECT_EQ(fresh.Favorite("a.url"), "fav");
  ASSERT_EQ(summary.report.records.size(), 2u);
  EXPECT_EQ(summary.report.records[1].outcome, RecordOutcome::kSkipped);
  EXPECT_TRUE(ReadFileBytes(fresh.Profile().HivePath()) == hive);
}

TEST_F(RestoreJobTest, ADryRunListsEverythingAndChangesNothing) {
  m_fixture.Profile().AddFavorite("old.url", "old");
  m_fixture.Profile().SetValue(kMain, u"Start Page", kRegSz, "old");
  ArchiveBuilder archive;
  archive.Header()
      .File(kFavorites, u"old.url", "replacement")
      .File(u"%USERPROFILE%\\Favorites\\New Folder", u"new.url", "new")
      .File(u"%USERPROFILE%\\Desktop", u"evil.url", "outside")
      .Value(kMain, u"Start Page", kRegSz, "new")
      .Value(kMain, u"Fresh", kRegDword, std::string(4, '\1'));
  const auto before = SnapshotFiles(m_fixture.Profile().ProfileDir());
  const RestoreSummary summary = m_fixture.Restore(archive.Bytes(), u"", true);
  EXPECT_EQ(SnapshotFiles(m_fixture.Profile().ProfileDir()), before);
  const std::string text = FormatRestoreSummary(summary);
  EXPECT_NE(text.find("would replace favorite %USERPROFILE%\\Favorites\\old.url"), std::string::npos) << text;
  EXPECT_NE(text.find("would write   favorite %USERPROFILE%\\Favorites\\New Folder\\new.url"), std::string::npos);
  EXPECT_NE(text.find("would skip    favorite %USERPROFILE%\\Desktop\\evil.url"), std::string::npos);
  EXPECT_NE(text.find("would replace setting HKEY_CURRENT_USER\\" + std::string("Software\\Microsoft\\Internet Explorer\\Main [Start Page]")),
            std::string::npos);
  EXPECT_NE(text.find("would write   setting"), std::string::npos);
  EXPECT_EQ(summary.outcome, RestoreOutcome::kPartial);
}

}  // namespace
}  // namespace qv::test
