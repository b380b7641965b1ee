// The archive scanner against damage at every place: cut at every offset, it tells
// every cut that does not fall between records; with salvage, a stretch of damaged
// bytes anywhere costs only the records it touches.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "store/scan/archive_scanner.h"
#include "tests/support/archive_builder.h"
#include "tests/support/profile_fixture.h"
#include "tests/support/temp_dir.h"

namespace qv::test {
namespace {

constexpr char16_t kPassword[] = u"sweep password";

class RecordCollector : public ScanVisitor {
 public:
  bool OnRecordHead(const ScannedRecord&) override { return true; }
  void OnRecordData(const std::uint8_t*, std::uint32_t) override {}
  void OnRecordEnd(const ScannedRecord& record) override { states[record.nOffset] = record.state; }

  std::map<std::uint64_t, RecordState> states;  // by offset
};

class ScannerSweep : public ::testing::Test {
 protected:
  ScannerSweep() {
    const Coding both{true, true, kPassword};
    const Coding encrypted{false, true, kPassword};
    archive.Header(true, kPassword)
        .File(u"%USERPROFILE%\\Favorites", u"a.url", Bytes(300, 1), both)
        .File(u"%USERPROFILE%\\Favorites\\Sub", u"b.url", Bytes(200, 2), encrypted)
        .Value(u"Software\\Microsoft\\Internet Explorer\\Main", u"V", kRegBinary, Bytes(150, 3), both)
        .Value(u"Software\\Microsoft\\Internet Explorer\\Main", u"W", kRegSz, Bytes(40, 4));
  }
  ~ScannerSweep() override {
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
  }

  ScanReport Scan(const std::string& bytes, bool salvage, RecordCollector* collector) {
    // A new file each time: rewriting one in place makes some file systems flush it.
    std::filesystem::remove(m_file);
    WriteFileBytes(m_file, bytes);
    ScanOptions options;
    options.bSalvage = salvage;
    options.bHasPassword = true;
    options.strPassword = kPassword;
    ArchiveScanner scanner(profile.WindowsPath(m_file), options);
    return scanner.Run(*collector);
  }

  ProfileFixture profile;
  ArchiveBuilder archive;

 private:
  // Thousands of small files: on a memory file system they cost nothing.
  std::filesystem::path Folder() {
    std::string pattern = std::filesystem::is_directory("/dev/shm") ? "/dev/shm/quorvel-sweep-XXXXXX"
                                                                    : profile.Scratch("sweep-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return profile.Scratch("");
    return pattern;
  }

  std::filesystem::path m_folder = Folder();
  std::filesystem::path m_file = m_folder / "sweep.qvl";
};

TEST_F(ScannerSweep, EveryCutInsideARecordIsReported) {
  const std::vector<std::size_t>& boundaries = archive.Boundaries();
  for (std::size_t cut = kArchiveHeaderSize; cut <= archive.Size(); ++cut) {
    SCOPED_TRACE(testing::Message() << "cut at " << cut);
    RecordCollector records;
    const ScanReport report = Scan(archive.Bytes().substr(0, cut), false, &records);
    const bool between = std::find(boundaries.begin(), boundaries.end(), cut) != boundaries.end();
    ASSERT_EQ(report.Clean(), between);
    if (!between) {
      ASSERT_TRUE(report.bEndedEarly || (!report.skipped.empty() && report.skipped.back().bTrailing));
    }
    for (std::size_t i = 0; i + 1 < boundaries.size() && boundaries[i + 1] <= cut; ++i) {
      ASSERT_EQ(records.states[boundaries[i]], RecordState::kSound) << "record at " << boundaries[i];
    }
  }
}

TEST_F(ScannerSweep, SalvageKeepsEveryRecordTheDamageDidNotTouch) {
  constexpr std::size_t kDamage = 16;
  const std::vector<std::size_t>& boundaries = archive.Boundaries();
  for (const char fill : {'\0', '\xA5'}) {
    for (std::size_t at = kArchiveHeaderSize; at + kDamage <= archive.Size(); ++at) {
      SCOPED_TRACE(testing::Message() << "damage at " << at << " filled with " << int(fill));
      std::string bytes = archive.Bytes();
      std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), kDamage, fill);
      RecordCollector records;
      (void)Scan(bytes, true, &records);
      for (std::size_t i = 0; i + 1 < boundaries.size(); ++i) {
        const bool touched = at < boundaries[i + 1] && at + kDamage > boundaries[i];
        if (!touched) {
          ASSERT_EQ(records.states[boundaries[i]], RecordState::kSound) << "record at " << boundaries[i];
        }
      }
    }
  }
}

}  // namespace
}  // namespace qv::test
