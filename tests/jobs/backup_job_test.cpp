// The backup job end to end: real profile, real hive, real archive bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <map>

#include "jobs/backup_job.h"
#include "platform/text/text.h"
#include "store/records.h"
#include "tests/support/archive_parser.h"
#include "tests/support/fault_injecting_platform.h"
#include "tests/support/profile_fixture.h"

namespace qv::test {
namespace {

std::string Field(std::u16string_view text) {
  std::string field = Utf16Bytes(text);
  field.resize(520, '\0');
  return field;
}

std::string U32(std::uint32_t value) {
  std::string out;
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
  return out;
}

std::vector<std::string> TempFilesIn(const std::filesystem::path& folder) {
  std::vector<std::string> found;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with(".quorvel-") && name.ends_with(".tmp")) found.push_back(name);
  }
  return found;
}

class BackupJobTest : public ::testing::Test {
 protected:
  BackupSummary Backup(bool compress = false, bool protect = false,
                       const std::u16string& password = u"", WindowHandle window = 0) {
    BackupOptions options;
    options.strArchivePath = profile.WindowsPath(archive);
    options.bCompress = compress;
    options.bProtect = protect;
    options.strPassword = password;
    options.hNotifyWindow = window;
    return RunBackup(options);
  }
  ParsedArchive Parsed() const { return ParseArchive(ReadFileBytes(archive)); }

  ProfileFixture profile;
  std::filesystem::path archive = profile.Scratch("out.qvl");
};

// One 100-byte favorite and one 40-byte value, plain: the 2392-byte archive of
// docs/format.md, byte for byte.
TEST_F(BackupJobTest, SmallestMixedArchiveHoldsByteForByte) {
  const std::string favorite = Bytes(100, 7);
  const std::string value = Utf16Bytes(u"https://example.org") + std::string(2, '\0');
  ASSERT_EQ(value.size(), 40u);
  profile.AddFavorite("example.url", favorite);
  profile.SetValue(kIeKey, u"Start Page", kRegSz, value);

  const BackupSummary summary = Backup();
  ASSERT_TRUE(summary.bOk) << summary.strFailure;

  std::string expected = std::string("QVL\0", 4) + U32(1) + std::string(1 + 103, '\0') + U32(0);
  expected += U32(1) + Field(u"%USERPROFILE%\\Favorites") + Field(u"example.url") +
              std::string(4, '\0');
  expected += std::string(4, '\0') + U32(100) + favorite + "\x01" + std::string(7, '\0');
  expected += U32(2) + U32(0x80000001u) + U32(1) + Field(kIeKey) + Field(u"Start Page") +
              std::string(4, '\0');
  expected += std::string(4, '\0') + U32(40) + value + "\x01" + std::string(7, '\0');
  ASSERT_EQ(expected.size(), 2392u);

  const std::string actual = ReadFileBytes(archive);
  ASSERT_EQ(actual.size(), 2392u);
  for (std::size_t i = 0; i < actual.size(); ++i) {
    ASSERT_EQ(actual[i], expected[i]) << "first difference at offset " << i;
  }
  EXPECT_EQ(summary.nArchiveSize, 2392u);
  ASSERT_EQ(summary.items.size(), 2u);
  EXPECT_EQ(summary.items[0].strName, u"Favorites");
  EXPECT_EQ(summary.items[0].nRecords, 1u);
  EXPECT_EQ(summary.items[0].nSourceBytes, 100u);
  EXPECT_EQ(summary.items[0].nArchiveBytes, 1164u);
  EXPECT_EQ(summary.items[1].strName, u"IE Settings");
  EXPECT_EQ(summary.items[1].nArchiveBytes, 1112u);
  EXPECT_TRUE(summary.skipped.empty());
}

TEST_F(BackupJobTest, EmptyProfileGivesJustTheHeader) {
  const BackupSummary summary = Backup();
  ASSERT_TRUE(summary.bOk) << summary.strFailure;
  EXPECT_EQ(std::filesystem::file_size(archive), 116u);
}

TEST_F(BackupJobTest, EveryOptionCombinationDecodesBackToTheSources) {
  std::string text;
  for (int i = 0; i < 4000; ++i) text += "http://example.org/page" + std::to_string(i % 37) + "\n";
  const std::map<std::string, std::string> files = {
      {"empty.url", ""}, {"text.url", text}, {"big.bin", Bytes(250000, 3)}, {"Sub/x.url", "[x]"}};
  for (const auto& [path, bytes] : files) profile.AddFavorite(path, bytes);
  const std::map<std::u16string, std::pair<std::uint32_t, std::string>> values = {
      {u"Start Page", {kRegSz, Utf16Bytes(u"about:blank") + std::string(2, '\0')}},
      {u"Blob", {kRegBinary, Bytes(16000, 5)}},
      {u"Count", {kRegDword, U32(42)}},
      {u"Nothing", {kRegBinary, ""}}};
  for (const auto& [name, typed] : values) profile.SetValue(kIeKey, name, typed.first, typed.second);

  for (const bool compress : {false, true}) {
    for (const bool protect : {false, true}) {
      SCOPED_TRACE(testing::Message() << "compress " << compress << " protect " << protect);
      const std::u16string password = u"s3cret-Pässword";
      const BackupSummary summary = Backup(compress, protect, password);
      ASSERT_TRUE(summary.bOk) << summary.strFailure;
      const ParsedArchive parsed = Parsed();
      ASSERT_TRUE(parsed.ok) << parsed.error;

      ArchiveHeaderBytes headerBytes{};
      std::copy(parsed.header.begin(), parsed.header.end(), headerBytes.begin());
      const ArchiveHeader header = DecodeArchiveHeader(headerBytes);
      EXPECT_EQ(header.isProtected, protect ? 1 : 0);
      EXPECT_EQ(header.verifierLength, protect ? 80u : 0u);
      EXPECT_EQ(CheckPassword(header, password), protect);
      EXPECT_FALSE(CheckPassword(header, u"wrong password"));

      ASSERT_EQ(parsed.records.size(), files.size() + values.size());
      std::size_t fileRecords = 0;
      for (const ParsedRecord& record : parsed.records) {
        EXPECT_EQ(record.compressed, compress ? 1 : 0);
        EXPECT_EQ(record.isProtected, protect ? 1 : 0);
        const std::string data = DecodeRecord(record, password);
        if (record.kind == 1) {
          ++fileRecords;
          std::u16string relative = record.folder.substr(std::u16string(u"%USERPROFILE%\\Favorites").size());
          if (!relative.empty()) relative = relative.substr(1) + u"/";
          const std::string key = ToUtf8(relative + record.name);
          ASSERT_TRUE(files.count(key)) << key;
          EXPECT_EQ(data, files.at(key)) << key;
          if (compress && key == "text.url") {
            EXPECT_LT(record.payloads[0].size(), text.size() / 4);
          }
        } else {
          EXPECT_EQ(fileRecords, files.size()) << "favorites come first";
          ASSERT_TRUE(values.count(record.valueName));
          EXPECT_EQ(record.type, values.at(record.valueName).first);
          EXPECT_EQ(data, values.at(record.valueName).second);
        }
        if (!compress && !protect) {
          for (const std::string& payload : record.payloads) EXPECT_LE(payload.size(), kBlockSize);
        }
      }
    }
  }
}

TEST_F(BackupJobTest, ProgressGoesRangeThenBlocksPerItem) {
  profile.AddFavorite("big.bin", Bytes(250000));
  profile.SetValue(kIeKey, u"v", kRegBinary, Bytes(40));
  MessageRecorder window;
  ASSERT_TRUE(Backup(false, false, u"", window.Window()).bOk);
  const std::vector<PostedMessage> expected = {
      {WM_JOB_PROGRESS, 0, 100}, {WM_JOB_PROGRESS, 0, 0},   {WM_JOB_PROGRESS, 40, 0},
      {WM_JOB_PROGRESS, 81, 0},  {WM_JOB_PROGRESS, 100, 0}, {WM_JOB_PROGRESS, 0, 100},
      {WM_JOB_PROGRESS, 0, 0},   {WM_JOB_PROGRESS, 100, 0}};
  EXPECT_EQ(window.Messages(), expected);
}

TEST_F(BackupJobTest, ProtectionNeedsSixCharacters) {
  profile.AddFavorite("a.url", "a");
  const BackupSummary refused = Backup(false, true, u"12345");
  EXPECT_FALSE(refused.bOk);
  EXPECT_NE(refused.strFailure.find("6 or more"), std::string::npos) << refused.strFailure;
  EXPECT_FALSE(std::filesystem::exists(archive));

  // Without protection the password box's text plays no part.
  ASSERT_TRUE(Backup(false, false, u"123").bOk);
  EXPECT_EQ(Parsed().header[8], 0);
  ASSERT_TRUE(Backup(false, true, u"123456").bOk);
  EXPECT_EQ(Parsed().header[8], 1);
}

// Restores keep the narrowing; only new archives are held to it.
TEST_F(BackupJobTest, ProtectionRefusesCharactersTheKeyWouldTakeForAQuestionMark) {
  profile.AddFavorite("a.url", "a");
  const BackupSummary refused = Backup(false, true, u"\u0441\u0435\u043a\u0440\u0435\u0442");
  EXPECT_FALSE(refused.bOk);
  EXPECT_NE(refused.strFailure.find("\"\u0441\", which protection cannot use"), std::string::npos)
      << refused.strFailure;
  EXPECT_FALSE(std::filesystem::exists(archive));
  ASSERT_TRUE(Backup(false, false, u"\u0441").bOk) << "an unprotected backup ignores it";
}

TEST_F(BackupJobTest, ArchiveInsideFavoritesIsNotStoredIntoItself) {
  profile.AddFavorite("keep.url", "keep");
  profile.AddFavorite(".quorvel-someone-else.tmp", "not ours");
  archive = profile.FavoritesDir() / "backup.qvl";
  WriteFileBytes(archive, "an earlier archive");

  for (int run = 0; run < 2; ++run) {
    const BackupSummary summary = Backup();
    ASSERT_TRUE(summary.bOk) << summary.strFailure;
    const ParsedArchive parsed = Parsed();
    ASSERT_TRUE(parsed.ok);
    std::vector<std::u16string> names;
    for (const ParsedRecord& record : parsed.records) names.push_back(record.name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::u16string>{u".quorvel-someone-else.tmp", u"keep.url"}));
    EXPECT_EQ(TempFilesIn(profile.FavoritesDir()), std::vector<std::string>{".quorvel-someone-else.tmp"});
    bool reported = false;
    for (const SkippedSource& entry : summary.skipped) {
      if (entry.strPath.ends_with("/backup.qvl") || entry.strPath.ends_with("\\backup.qvl")) reported = true;
    }
    EXPECT_TRUE(reported);
  }
}

TEST_F(BackupJobTest, FailureLeavesTheEarlierArchiveAndNoTemporaryFile) {
  profile.AddFavorite("big.bin", Bytes(300000));
  profile.SetValue(kIeKey, u"v", kRegSz, Utf16Bytes(u"x"));
  WriteFileBytes(archive, "an earlier archive");

  FaultInjectingPlatform faulty(profile.platform());
  ScopedPlatform installed(faulty);
  struct Fault {
    const char* what;
    std::function<void()> inject;
  };
  const std::vector<Fault> faults = {
      {"rename", [&] { faulty.FailMoveFile(true); }},
      {"header write", [&] { faulty.FailNthWrite(1); }},
      {"records write", [&] { faulty.FailNthWrite(2); }},
      {"disk full", [&] { faulty.FailWritesAfterBytes(150000); }},
      {"flush", [&] { faulty.FailFlush(true); }},
      {"temporary file open", [&] { faulty.FailCreateFileContaining(u".quorvel-"); }},
  };
  for (const Fault& fault : faults) {
    SCOPED_TRACE(fault.what);
    faulty.Reset();
    fault.inject();
    const BackupSummary summary = Backup();
    EXPECT_FALSE(summary.bOk);
    EXPECT_FALSE(summary.strFailure.empty());
    EXPECT_EQ(ReadFileBytes(archive), "an earlier archive");
    EXPECT_TRUE(TempFilesIn(archive.parent_path()).empty());
  }

  // A failed write ends the job there: nothing more is read or compressed, and
  // the summary claims only what reached the archive.
  profile.AddFavorite("big.bin", Bytes(3000000));
  profile.AddFavorite("second.bin", Bytes(1000));
  faulty.Reset();
  faulty.FailNthWrite(2);  // the first megabyte of records
  const BackupSummary cut = Backup();
  ASSERT_EQ(cut.items.size(), 1u);
  EXPECT_EQ(cut.items[0].nRecords, 0u);
  EXPECT_EQ(cut.items[0].nSourceBytes, 0u);

  // Cut inside the second megabyte: only whole records count.
  std::filesystem::remove(profile.FavoritesDir() / "big.bin");
  std::filesystem::remove(profile.FavoritesDir() / "second.bin");
  for (int i = 0; i < 30; ++i) profile.AddFavorite("small/" + std::to_string(100 + i) + ".bin", Bytes(50000));
  faulty.Reset();
  faulty.FailNthWrite(3);
  const BackupSummary partly = Backup();
  ASSERT_EQ(partly.items.size(), 1u);
  EXPECT_GT(partly.items[0].nRecords, 0u);
  EXPECT_LT(partly.items[0].nRecords, 30u);
  EXPECT_EQ(partly.items[0].nSourceBytes % 50000, 0u) << "no record counted in part";

  faulty.Reset();
  ASSERT_TRUE(Backup().bOk);
  EXPECT_TRUE(ParseArchive(ReadFileBytes(archive)).ok);
}

TEST_F(BackupJobTest, StopFlagEndsTheJobWithoutTouchingTheArchive) {
  profile.AddFavorite("big.bin", Bytes(300000));
  WriteFileBytes(archive, "an earlier archive");
  std::atomic<bool> stop{false};
  // The window asks to stop as soon as the first block is reported.
  const WindowHandle window = profile.platform().RegisterWindow(
      [&stop](std::uint32_t, std::uint64_t wParam, std::int64_t) {
        if (wParam != 0) stop = true;
      });
  BackupOptions options;
  options.strArchivePath = profile.WindowsPath(archive);
  options.hNotifyWindow = window;
  options.pStopFlag = &stop;
  const BackupSummary summary = RunBackup(options);
  profile.platform().UnregisterWindow(window);
  EXPECT_FALSE(summary.bOk);
  EXPECT_TRUE(summary.bStopped);
  ASSERT_EQ(summary.items.size(), 1u) << "the settings item does not start";
  EXPECT_EQ(summary.items[0].nSourceBytes, kBlockSize) << "one block, then the stop";
  EXPECT_EQ(ReadFileBytes(archive), "an earlier archive");
  EXPECT_TRUE(TempFilesIn(archive.parent_path()).empty());
}

TEST_F(BackupJobTest, ArchiveInAMissingFolderFails) {
  archive = profile.Scratch("no-such-folder/out.qvl");
  MessageRecorder window;
  const BackupSummary summary = Backup(false, false, u"", window.Window());
  EXPECT_FALSE(summary.bOk);
  EXPECT_FALSE(summary.strFailure.empty());
  for (const PostedMessage& posted : window.Messages()) EXPECT_EQ(posted.message, WM_JOB_PROGRESS);
}

// The window reaches the job without qvl's checks: a profile that went away (a
// disk taken out) or a folder that is no profile fails, and nothing is made.
TEST_F(BackupJobTest, AProfileThatIsNoneFailsAndNothingIsMade) {
  const std::filesystem::path folder = profile.ProfileDir();
  const std::pair<const char*, std::function<void()>> cases[] = {
      {"does not exist", [&] { std::filesystem::remove_all(folder); }},
      {"holds neither a Favorites folder nor NTUSER.DAT", [&] { std::filesystem::create_directory(folder); }},
  };
  for (const auto& [told, arrange] : cases) {
    SCOPED_TRACE(told);
    arrange();
    const BackupSummary summary = Backup();
    EXPECT_FALSE(summary.bOk);
    EXPECT_NE(summary.strFailure.find(folder.string() + " " + told), std::string::npos) << summary.strFailure;
    EXPECT_FALSE(std::filesystem::exists(archive));
    EXPECT_FALSE(std::filesystem::exists(profile.FavoritesDir()));
  }
}

// Settings without Favorites: a backup of them, and nothing said to be missing
// but the folder. Where HKEY_CURRENT_USER is live there is no hive file to find.
TEST_F(BackupJobTest, SettingsAloneAreBackedUpAndNotCalledMissing) {
  profile.SetValue(kIeKey, u"v", kRegSz, Utf16Bytes(u"x"));
  std::filesystem::remove_all(profile.FavoritesDir());
  const BackupSummary summary = Backup();
  ASSERT_TRUE(summary.bOk) << summary.strFailure;
  EXPECT_TRUE(summary.bFavoritesFolderMissing);
  EXPECT_FALSE(summary.bSettingsHiveMissing);
}

}  // namespace
}  // namespace qv::test
