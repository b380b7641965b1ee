// The store writer on real files: block framing, progress posts, appending, and
// what it does when the archive, the source or the stop flag says no.
#include <gtest/gtest.h>

#include <atomic>

#include "platform/text/text.h"
#include "sources/favorites/favorites_builder.h"
#include "tests/support/archive_parser.h"
#include "tests/support/fault_injecting_platform.h"
#include "tests/support/profile_fixture.h"

namespace qv::test {
namespace {

using FileStore = FavoritesBuilder::Store;

// As a source measured empty in the sizing pass that has grown since.
class ZeroSizedReader : public FileReader {
 public:
  std::uint64_t Size() const { return 0; }
};
using GrowingStore = DataStore<FileItem, ZeroSizedReader, FileItemHead, FileHeadInitor,
                               LZMACompProcessor, DESEncryptor, MFCProgress, MFCThreadCtrl>;

class DataStoreTest : public ::testing::Test {
 protected:
  FileItem AddFile(const std::string& name, const std::string& bytes) {
    profile.AddFavorite(name, bytes);
    FileItem item;
    EXPECT_TRUE(SetTextField(item.folder, profile.WindowsPath(profile.FavoritesDir())));
    EXPECT_TRUE(SetTextField(item.name, FromUtf8(name)));
    return item;
  }
  std::u16string ArchivePath() { return profile.WindowsPath(archive); }
  std::vector<std::size_t> PayloadSizes(const ParsedRecord& record) {
    std::vector<std::size_t> sizes;
    for (const std::string& payload : record.payloads) sizes.push_back(payload.size());
    return sizes;
  }

  ProfileFixture profile;
  std::filesystem::path archive = profile.Scratch("store.qvl");
};

TEST_F(DataStoreTest, SourcesAreCutIntoBlocksOfAtMost102400Bytes) {
  const std::vector<std::pair<std::size_t, std::vector<std::size_t>>> cases = {
      {0, {}}, {102400, {102400}}, {102401, {102400, 1}}, {250000, {102400, 102400, 45200}}};
  FileStore store(ArchivePath(), false, false, u"");
  std::vector<std::string> sources;
  for (const auto& [size, blocks] : cases) {
    sources.push_back(Bytes(size, static_cast<std::uint32_t>(size)));
    std::string name = "f";
    name += std::to_string(size);  // not "f" + ...: g++ 12 -O3 warns falsely (-Wrestrict)
    store.AddItem(AddFile(name, sources.back()));
  }
  EXPECT_EQ(store.Store(), 0u + 102400 + 102401 + 250000);
  const ParsedArchive parsed = ParseArchive(std::string(116, '\0') + ReadFileBytes(archive));
  ASSERT_TRUE(parsed.ok) << parsed.error;
  ASSERT_EQ(parsed.records.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(PayloadSizes(parsed.records[i]), cases[i].second);
    EXPECT_EQ(DecodeRecord(parsed.records[i]), sources[i]);
  }
  EXPECT_EQ(parsed.records[0].size, 1056u) << "head and end marker only";
  EXPECT_EQ(store.Report().nRecords, 4u);
  EXPECT_EQ(store.Report().nArchiveBytes, std::filesystem::file_size(archive));
}

TEST_F(DataStoreTest, PostsRangeThenTruncatedPercentPerBlock) {
  MessageRecorder window;
  FileStore store(ArchivePath(), true, true, u"password");
  store.SetNotifyWindow(window.Window(), WM_JOB_PROGRESS);
  store.AddItem(AddFile("a", Bytes(102401)));
  store.AddItem(AddFile("b", Bytes(250000)));
  (void)store.Store();
  // done / 352401 * 100, truncated: 29.06, 29.06, 58.12, 87.17, 100.
  std::vector<PostedMessage> expected = {{WM_JOB_PROGRESS, 0, 100}, {WM_JOB_PROGRESS, 0, 0}};
  for (std::uint64_t percent : {29, 29, 58, 87, 100}) expected.push_back({WM_JOB_PROGRESS, percent, 0});
  EXPECT_EQ(window.Messages(), expected);
}

TEST_F(DataStoreTest, SourcesMeasuredEmptyPostZeroPercent) {
  MessageRecorder window;
  GrowingStore store(ArchivePath(), false, false, u"");
  store.SetNotifyWindow(window.Window(), WM_JOB_PROGRESS);
  store.AddItem(AddFile("a", Bytes(150000)));
  EXPECT_EQ(store.Store(), 150000u);
  EXPECT_EQ(window.Messages(),
            (std::vector<PostedMessage>{{WM_JOB_PROGRESS, 0, 100}, {WM_JOB_PROGRESS, 0, 0},
                                        {WM_JOB_PROGRESS, 0, 0}, {WM_JOB_PROGRESS, 0, 0}}));
}

TEST_F(DataStoreTest, AppendsAfterWhatTheArchiveHolds) {
  WriteFileBytes(archive, "HEADER");
  FileStore store(ArchivePath(), false, false, u"");
  store.AddItem(AddFile("a", "abc"));
  (void)store.Store();
  const std::string bytes = ReadFileBytes(archive);
  EXPECT_EQ(bytes.substr(0, 6), "HEADER");
  EXPECT_EQ(bytes.size(), 6u + 1048 + 8 + 3 + 8);
}

TEST_F(DataStoreTest, AnArchiveThatCannotBeOpenedGetsNothing) {
  MessageRecorder window;
  FileStore store(profile.WindowsPath(profile.Scratch("missing/store.qvl")), false, false, u"");
  store.SetNotifyWindow(window.Window(), WM_JOB_PROGRESS);
  store.AddItem(AddFile("a", "abc"));
  EXPECT_EQ(store.Store(), 0u);
  EXPECT_TRUE(store.Report().bArchiveOpenFailed);
  EXPECT_TRUE(store.Report().Failed());
  EXPECT_EQ(window.Messages().size(), 2u) << "the two range posts only";
}

// Sets the stop flag once the store has written `afterBytes` of its sources.
class StopAt final : public ProgressSink {
 public:
  StopAt(std::atomic<bool>& stop, std::uint64_t afterBytes) : m_stop(stop), m_nAfterBytes(afterBytes) {}
  void OnProgress(std::string_view, std::uint64_t done, std::uint64_t) override {
    if (done >= m_nAfterBytes) m_stop = true;
  }

 private:
  std::atomic<bool>& m_stop;
  std::uint64_t m_nAfterBytes;
};

// A stopped store begins no record after the stop, and the record it stopped in
// stays framed but is not counted as stored: a stopped backup must not report what
// it never stored.
TEST_F(DataStoreTest, StopFlagLeavesHeadsAndEndMarkersOnly) {
  struct Case {
    std::uint64_t nStopAfter;  // source bytes
    std::size_t nFramed;
    std::uint64_t nStored;
  };
  for (const Case c : {Case{0, 0, 0}, Case{3 + kBlockSize, 2, 1}}) {
    SCOPED_TRACE(c.nStopAfter);
    std::filesystem::remove(archive);
    std::atomic<bool> stop{c.nStopAfter == 0};
    StopAt stopper(stop, c.nStopAfter);
    FileStore store(ArchivePath(), false, false, u"");
    store.SetStopFlag(&stop);
    store.SetProgressSink(&stopper);
    store.AddItem(AddFile("a", "abc"));
    store.AddItem(AddFile("b", Bytes(3 * kBlockSize)));
    store.AddItem(AddFile("c", "never begun"));
    EXPECT_EQ(store.Store(), c.nStored == 0 ? 0u : 3u);
    EXPECT_TRUE(store.Report().bStopped);
    EXPECT_EQ(store.Report().nRecords, c.nStored);
    const ParsedArchive parsed = ParseArchive(std::string(116, '\0') + ReadFileBytes(archive));
    ASSERT_TRUE(parsed.ok);
    EXPECT_EQ(parsed.records.size(), c.nFramed);
  }
}

TEST_F(DataStoreTest, FailedWritesAndReadsAreReported) {
  const FileItem item = AddFile("a", Bytes(250000));
  FaultInjectingPlatform faulty(profile.platform());
  ScopedPlatform installed(faulty);
  {
    faulty.FailNthWrite(1);  // the one write of the buffered records
    FileStore store(ArchivePath(), false, false, u"");
    store.AddItem(item);
    (void)store.Store();
    EXPECT_EQ(store.Report().nWriteFailures, 1u);
    EXPECT_TRUE(store.Report().Failed());
    EXPECT_NE(store.Report().strFirstFailure.find("injected"), std::string::npos);
  }
  faulty.Reset();
  std::filesystem::remove(archive);
  {
    faulty.FailReadsAfterBytes(150000);
    FileStore store(ArchivePath(), false, false, u"");
    store.AddItem(item);
    (void)store.Store();
    EXPECT_FALSE(store.Report().Failed());
    ASSERT_EQ(store.Report().skipped.size(), 1u);
    EXPECT_NE(store.Report().skipped[0].strReason.find("reading failed"), std::string::npos);
    EXPECT_TRUE(ParseArchive(std::string(116, '\0') + ReadFileBytes(archive)).ok);
  }
}

}  // namespace
}  // namespace qv::test
