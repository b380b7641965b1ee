// qvl killed outright (SIGKILL, as a power cut or the OOM killer would) at chosen
// points of a restore and a backup: every favorite is its old or its new content,
// NTUSER.DAT the old hive or the fully restored one, an earlier archive untouched,
// and the next run cleans up what the dead one left and finishes the job.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>

#include "platform/text/text.h"
#include "tests/support/archive_builder.h"
#include "tests/support/archive_parser.h"
#include "tests/support/qvl_process.h"
#include "tests/support/restore_fixture.h"

namespace qv::test {
namespace {

constexpr int kFavorites = 12;

std::string Name(int i) {
  std::string name = "Folder";  // appended: g++ 12 -O3 warns falsely on "lit" + std::string
  name += std::to_string(i % 3) + "/site" + std::to_string(i) + ".url";
  return name;
}

std::string Content(const char* age, int i) {
  std::string content = age;
  content += std::string(3000 + 97 * static_cast<std::size_t>(i), static_cast<char>('a' + i % 26));
  return content;
}

// Where the kill falls: before the Nth call of a system call the job makes.
const char* const kRestorePoints[] = {"write:1",  "write:6",  "write:13", "syncfs:1", "rename:1",
                                      "rename:7", "syncfs:2", "rename:13", "fsync:1", "rename:14"};
const char* const kBackupPoints[] = {"write:1", "write:2", "write:3", "fsync:1", "rename:1"};

TEST(QvlKillSweep, ARestoreKilledAnywhereLeavesOldOrNewAndTheNextOneFinishes) {
  for (const char* point : kRestorePoints) {
    SCOPED_TRACE(point);
    RestoreFixture fixture;
    ProfileFixture& profile = fixture.Profile();
    ArchiveBuilder archive;
    archive.Header();
    for (int i = 0; i < kFavorites; ++i) {
      profile.AddFavorite(Name(i), Content("old", i));
      const std::string name = Name(i);
      const std::size_t slash = name.find('/');
      const std::u16string folder(name.begin(), name.begin() + static_cast<std::ptrdiff_t>(slash));
      const std::u16string file(name.begin() + static_cast<std::ptrdiff_t>(slash) + 1, name.end());
      archive.File(u"%USERPROFILE%\\Favorites\\" + folder, file, Content("new", i));
    }
    profile.SetValue(kIeKey, u"V", kRegSz, "old!");
    archive.Value(kIeKey, u"V", kRegSz, "new!").Value(kIeKey, u"W", kRegSz, "added");
    archive.WriteTo(fixture.ArchiveFile());
    const std::vector<std::string> arguments = {"restore", fixture.ArchiveFile().string(),
                                                "--profile=" + profile.ProfileDir().string()};

    const QvlExit killed = RunQvlKilledAt(arguments, point);
    EXPECT_TRUE((killed.bKilled && killed.nSignal == SIGKILL) || killed.nExitCode == 0);
    for (int i = 0; i < kFavorites; ++i) {
      const std::string content = fixture.Favorite(Name(i));
      EXPECT_TRUE(content == Content("old", i) || content == Content("new", i)) << Name(i);
    }
    const auto v = fixture.CommittedValue(kIeKey, u"V");
    const auto w = fixture.CommittedValue(kIeKey, u"W");
    ASSERT_TRUE(v.has_value());
    EXPECT_TRUE(v->data == "old!" ? !w.has_value() : v->data == "new!" && w.has_value()) << "one hive or the other";

    const QvlExit next = WaitForQvl(StartQvl(arguments));
    EXPECT_EQ(next.nExitCode, 0);
    for (int i = 0; i < kFavorites; ++i) EXPECT_EQ(fixture.Favorite(Name(i)), Content("new", i));
    EXPECT_EQ(fixture.CommittedValue(kIeKey, u"W").value_or(StoredValue{}).data, "added");
    EXPECT_FALSE(HasTempFile(profile.ProfileDir()));
  }
}

// Past one batch of favorites, a full batch is put in place on a second thread while
// the main one writes the next: a kill in either leaves old or new, never part.
TEST(QvlKillSweep, ARestoreKilledWhileABatchCommitsBesideTheNextLeavesOldOrNew) {
  constexpr int kBatch = 16;
  constexpr int kMany = 2 * kBatch + 10;  // three batches
  const std::vector<std::string> smallBatches = {"QUORVEL_RESTORE_BATCH=" + std::to_string(kBatch)};
  const auto name = [](int i) {
    std::string text = "f";  // appended, as in Name()
    return text + std::to_string(i) + ".url";
  };
  const auto content = [](const char* age, int i) { return std::string(age) + std::to_string(i); };
  for (const char* point : {"rename:8", "syncfs:3", "rename:24"}) {
    SCOPED_TRACE(point);
    RestoreFixture fixture;
    ProfileFixture& profile = fixture.Profile();
    ArchiveBuilder archive;
    archive.Header();
    for (int i = 0; i < kMany; ++i) {
      if (i % 5 == 0) profile.AddFavorite(name(i), content("old", i));
      archive.File(u"%USERPROFILE%\\Favorites", FromUtf8(name(i)), content("new", i));
    }
    archive.WriteTo(fixture.ArchiveFile());
    const std::vector<std::string> arguments = {"restore", fixture.ArchiveFile().string(),
                                                "--profile=" + profile.ProfileDir().string()};
    const QvlExit killed = RunQvlKilledAt(arguments, point, smallBatches);
    EXPECT_TRUE(killed.bKilled && killed.nSignal == SIGKILL);
    for (int i = 0; i < kMany; ++i) {
      const std::filesystem::path file = profile.FavoritesDir() / name(i);
      if (i % 5 != 0 && !std::filesystem::exists(file)) continue;
      const std::string now = ReadFileBytes(file);
      ASSERT_TRUE(now == content("old", i) || now == content("new", i)) << name(i);
    }
    EXPECT_EQ(WaitForQvl(StartQvl(arguments, smallBatches)).nExitCode, 0);
    for (int i = 0; i < kMany; i += 3) EXPECT_EQ(fixture.Favorite(name(i)), content("new", i));
    EXPECT_FALSE(HasTempFile(profile.ProfileDir()));
  }
}

TEST(QvlKillSweep, ABackupKilledAnywhereKeepsTheEarlierArchive) {
  for (const char* point : kBackupPoints) {
    SCOPED_TRACE(point);
    ProfileFixture profile;
    for (int i = 0; i < kFavorites; ++i) profile.AddFavorite(Name(i), Content("old", i));
    const std::filesystem::path target = profile.Scratch("out.qvl");
    WriteFileBytes(target, "an earlier archive");
    const std::vector<std::string> arguments = {"backup", target.string(), "--compress",
                                                "--profile=" + profile.ProfileDir().string()};

    const QvlExit killed = RunQvlKilledAt(arguments, point);
    EXPECT_TRUE((killed.bKilled && killed.nSignal == SIGKILL) || killed.nExitCode == 0);
    const std::string after = ReadFileBytes(target);
    EXPECT_TRUE(after == "an earlier archive" || ParseArchive(after).records.size() == kFavorites);

    const QvlExit next = WaitForQvl(StartQvl(arguments));
    EXPECT_EQ(next.nExitCode, 0);
    EXPECT_EQ(ParseArchive(ReadFileBytes(target)).records.size(), static_cast<std::size_t>(kFavorites));
    EXPECT_FALSE(HasTempFile(target.parent_path()));
  }
}

}  // namespace
}  // namespace qv::test
