// A dry run tells what the restore of the same archive into the same profile then
// does: the same outcome, counts and reasons, record by record, and changes nothing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>

#include "jobs/restore_job.h"
#include "jobs/restore_summary_text.h"
#include "platform/linux/linux_platform.h"
#include "tests/support/archive_builder.h"
#include "tests/support/restore_fixture.h"
#include "tests/support/unprivileged.h"

namespace qv::test {
namespace {

constexpr char16_t kFavorites[] = u"%USERPROFILE%\\Favorites";
constexpr char16_t kMain[] = u"Software\\Microsoft\\Internet Explorer\\Main";
constexpr unsigned kNobody = 65534;

// What must agree between the two runs; the texts only differ in their verbs.
std::string Prediction(const RestoreSummary& summary) {
  std::string text = std::string(RestoreOutcomeName(summary.outcome)) + " " + summary.strFailure + "\n";
  for (const RecordResult& record : summary.report.records) {
    text += std::to_string(static_cast<int>(record.outcome)) + (record.bReplaced ? " replaces " : " ") +
            record.strTarget + ": " + record.strReason + " (" + std::to_string(record.nBytes) + " bytes)\n";
  }
  return text;
}

TEST(DryRun, TellsWhatTheRestoreThenDoes) {
  const std::string fits(2000, 'v');
  struct Case {
    const char* what;
    std::function<void(ArchiveBuilder&)> records;
    std::function<void(ProfileFixture&)> profile = {};
    std::size_t nPendingLimit = 0;  // 0: the registry's own
  };
  const std::u16string lone(1, static_cast<char16_t>(0xD800));
  const std::vector<Case> cases = {
      {"a value over the hive's size limit",
       [](ArchiveBuilder& a) { a.Value(kMain, u"Big", kRegBinary, std::string(1000000, 'b')); }},
      {"settings past the pending bound",
       [&](ArchiveBuilder& a) {
         // A value set twice waits once: "a" must not count twice in the dry run.
         a.Value(kMain, u"a", kRegBinary, fits);
         for (char16_t c = u'a'; c <= u'e'; ++c) a.Value(kMain, std::u16string(1, c), kRegBinary, fits);
       },
       {}, 7000},
      {"a value name with an unpaired surrogate",
       [&](ArchiveBuilder& a) { a.Value(kMain, u"bad" + lone, kRegSz, "x"); }},
      {"a key name with an unpaired surrogate",
       [&](ArchiveBuilder& a) { a.Value(std::u16string(kMain) + u"\\k" + lone, u"V", kRegSz, "x"); }},
      {"a favorite, then a folder of its name",
       [](ArchiveBuilder& a) { a.File(kFavorites, u"x", "file").File(u"%USERPROFILE%\\Favorites\\x", u"y.url", "y"); }},
      {"a folder, then a favorite of its name",
       [](ArchiveBuilder& a) { a.File(u"%USERPROFILE%\\Favorites\\x\\deeper", u"y.url", "y").File(kFavorites, u"x", "f"); }},
      {"a favorite and the unnamed value twice",
       [](ArchiveBuilder& a) {
         a.File(u"%USERPROFILE%\\Favorites\\New", u"a.url", "1").File(u"%USERPROFILE%\\Favorites\\New", u"a.url", "2");
         a.Value(kMain, u"", kRegSz, "d").Value(kMain, u"", kRegSz, "d");
       }},
      {"what the profile holds already",
       [](ArchiveBuilder& a) { a.File(kFavorites, u"old.url", "new").Value(kMain, u"Old", kRegSz, "new"); },
       [](ProfileFixture& p) {
         p.AddFavorite("old.url", "old");
         p.SetValue(kMain, u"Old", kRegSz, "old");
       }},
      {"a file where a folder is needed",
       [](ArchiveBuilder& a) { a.File(u"%USERPROFILE%\\Favorites\\plain.url", u"y.url", "y"); },
       [](ProfileFixture& p) { p.AddFavorite("plain.url", "p"); }},
      {"a link that leads nowhere where a folder is needed",
       [](ArchiveBuilder& a) { a.File(u"%USERPROFILE%\\Favorites\\gone", u"y.url", "y"); },
       [](ProfileFixture& p) { std::filesystem::create_symlink("nowhere", p.FavoritesDir() / "gone"); }},
      {"a name too long for this system, in a new folder",
       [](ArchiveBuilder& a) { a.File(u"%USERPROFILE%\\Favorites\\New", std::u16string(200, u'\u0436'), "x"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RestoreFixture fixture;
    std::unique_ptr<Platform> bounded;
    std::unique_ptr<ScopedPlatform> installed;
    if (c.nPendingLimit != 0) {
      LinuxPlatformOptions options{fixture.Profile().ProfileDir().string(),
                                   fixture.Profile().Scratch("classes.dat").string(), c.nPendingLimit,
                                   fixture.Profile().Scratch("tmp").string()};
      bounded = MakeLinuxPlatform(options);
      installed = std::make_unique<ScopedPlatform>(*bounded);
    }
    if (c.profile) c.profile(fixture.Profile());
    ArchiveBuilder archive;
    archive.Header();
    c.records(archive);
    const auto before = SnapshotFiles(fixture.Profile().ProfileDir());

    const RestoreSummary dry = fixture.Restore(archive.Bytes(), u"", true);
    EXPECT_EQ(SnapshotFiles(fixture.Profile().ProfileDir()), before);
    const RestoreSummary real = fixture.Restore(archive.Bytes());
    EXPECT_EQ(Prediction(dry), Prediction(real)) << FormatRestoreSummary(real);
  }
}

// A profile this user cannot write fails before the restore starts, in one
// sentence, whether it is a dry run or not (a Favorites folder of another user:
// tests/cli/qvl_restore_test.cpp).
TEST(DryRun, AProfileThatCannotBeWrittenFailsBeforeTheStart) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  const std::string archive = ArchiveBuilder().Header().File(kFavorites, u"a.url", "a").Value(kMain, u"V", kRegSz, "v").Bytes();
  struct Case {
    const char* what;
    const char* names;
    std::function<void(ProfileFixture&)> lock;
  };
  const Case cases[] = {
      {"a missing Favorites folder in a folder of another user", "it would be made in",
       [](ProfileFixture& p) { std::filesystem::remove(p.FavoritesDir()); }},
      {"a hive that may not be written", "NTUSER.DAT cannot be written",
       [](ProfileFixture& p) {
         for (const std::filesystem::path& path : {p.FavoritesDir(), p.ProfileDir(), p.HivePath()}) {
           EXPECT_EQ(::chown(path.c_str(), kNobody, kNobody), 0);
         }
         EXPECT_EQ(::chmod(p.HivePath().c_str(), 0444), 0);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RestoreFixture fixture;
    fixture.Profile().SetValue(kMain, u"V", kRegSz, "old");
    WriteFileBytes(fixture.ArchiveFile(), archive);
    ASSERT_EQ(::chmod(fixture.Profile().ProfileDir().parent_path().c_str(), 0755), 0);
    c.lock(fixture.Profile());
    const auto before = SnapshotFiles(fixture.Profile().ProfileDir());
    const std::string result = RunAsUnprivileged(kNobody, [&] {
      std::string told;
      for (const bool dryRun : {true, false}) {
        RestoreJobOptions options;
        options.strArchivePath = fixture.ArchivePath();
        options.bDryRun = dryRun;
        const RestoreSummary summary = RunRestore(options);
        told += std::string(RestoreOutcomeName(summary.outcome)) + " " + std::to_string(summary.report.records.size()) +
                " " + summary.strFailure + "\n";
      }
      return told;
    });
    const std::size_t newline = result.find('\n');
    ASSERT_NE(newline, std::string::npos) << result;
    EXPECT_EQ(result.substr(0, newline + 1), result.substr(newline + 1)) << "the dry run tells the same";
    EXPECT_EQ(result.rfind("failed 0 ", 0), 0u) << result;
    EXPECT_NE(result.find(c.names), std::string::npos) << result;
    EXPECT_EQ(SnapshotFiles(fixture.Profile().ProfileDir()), before);
  }
}

}  // namespace
}  // namespace qv::test
