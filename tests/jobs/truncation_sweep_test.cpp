// A small compressed and protected archive cut at every offset: the restore never
// crashes, keeps every record that ended before the cut, and reports every cut that
// does not fall between records as an early end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "jobs/restore_job.h"
#include "jobs/restore_summary_text.h"
#include "tests/support/archive_builder.h"
#include "tests/support/restore_fixture.h"
#include "tests/support/temp_dir.h"

namespace qv::test {
namespace {

// Thousands of restores, each syncing the files it writes: on a memory file system
// the sync is free, and the sweep tests the reader, not the disk.
class ScratchOnTmpfs {
 public:
  ScratchOnTmpfs() {
    if (const char* old = std::getenv("TMPDIR")) m_strOld = old;
    m_bHadOld = std::getenv("TMPDIR") != nullptr;
    if (std::filesystem::is_directory("/dev/shm")) setenv("TMPDIR", "/dev/shm", 1);
  }
  ~ScratchOnTmpfs() {
    if (m_bHadOld) {
      setenv("TMPDIR", m_strOld.c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
  }

 private:
  std::string m_strOld;
  bool m_bHadOld = false;
};

TEST(TruncationSweep, EveryCutKeepsWhatCameBeforeIt) {
  ScratchOnTmpfs scratch;
  const Coding coding{true, true, u"sweep password"};
  const std::string a = Bytes(300, 1);
  const std::string b = Bytes(200, 2);
  const std::string v = Bytes(150, 3);
  ArchiveBuilder archive;
  archive.Header(true, coding.password)
      .File(u"%USERPROFILE%\\Favorites", u"a.url", a, coding)
      .File(u"%USERPROFILE%\\Favorites\\Sub", u"b.url", b, coding)
      .Value(u"Software\\Microsoft\\Internet Explorer\\Main", u"V", kRegBinary, v, coding);
  const std::vector<std::size_t>& boundaries = archive.Boundaries();
  ASSERT_EQ(boundaries.size(), 4u);
  ASSERT_LT(archive.Size(), 4096u);

  for (std::size_t cut = 0; cut <= archive.Size(); ++cut) {
    SCOPED_TRACE(testing::Message() << "cut at " << cut);
    RestoreFixture fixture;
    const RestoreSummary summary = fixture.Restore(archive.Bytes().substr(0, cut), coding.password);
    if (cut < boundaries[0]) {
      ASSERT_EQ(summary.check, ArchiveCheckResult::kIncorrect);
      continue;
    }
    const bool atBoundary = std::find(boundaries.begin(), boundaries.end(), cut) != boundaries.end();
    ASSERT_EQ(summary.report.bEndedEarly, !atBoundary) << FormatRestoreSummary(summary);
    ASSERT_EQ(summary.outcome, atBoundary ? RestoreOutcome::kOk : RestoreOutcome::kPartial);

    const auto files = SnapshotFiles(fixture.Profile().FavoritesDir());
    std::map<std::string, std::string> expected;
    if (cut >= boundaries[1]) expected["a.url"] = a;
    if (cut >= boundaries[2]) expected["Sub/b.url"] = b;
    // Sub may exist without b.url when the cut fell inside b's blocks: its folder is
    // made when the record begins.
    std::map<std::string, std::string> filesOnly;
    for (const auto& [path, bytes] : files) {
      if (path.back() != '/') filesOnly[path] = bytes;
    }
    ASSERT_TRUE(filesOnly == expected);
    const auto value = fixture.CommittedValue(u"Software\\Microsoft\\Internet Explorer\\Main", u"V");
    ASSERT_EQ(value.has_value(), cut >= boundaries[3]);
    if (value) {
      ASSERT_TRUE(value->data == v);
    }
  }
}

}  // namespace
}  // namespace qv::test
