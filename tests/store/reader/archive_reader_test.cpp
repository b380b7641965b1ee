// The archive reader on hand-built archives: one failure mode per test.
#include "store/reader/archive_reader.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/platform.h"
#include "platform/text/text.h"
#include "sources/favorites/file_restore_context.h"
#include "sources/restore_factories.h"
#include "tests/support/archive_builder.h"
#include "tests/support/restore_fixture.h"

namespace qv::test {
namespace {

constexpr char16_t kFavorites[] = u"%USERPROFILE%\\Favorites";

class ArchiveReaderTest : public ::testing::Test {
 protected:
  // Runs a reader over the bytes; the registry is read back through Os() (buffered).
  std::uint64_t Read(const ArchiveBuilder& archive, const std::u16string& password = u"",
                     WindowHandle window = 0, const std::atomic<bool>* stop = nullptr, ProgressSink* sink = nullptr) {
    archive.WriteTo(m_fixture.ArchiveFile());
    FileRestoreContext files(false);
    RestoreOptions options;
    options.pFileContext = &files;
    if (!m_pWrites) {
      Status refused;
      m_pWrites = Os().RegBeginWrites(kHkeyCurrentUser, &refused);
    }
    options.pRegistryWrites = m_pWrites.get();
    ArchiveReader reader(m_fixture.ArchivePath(), password, MakeRestoreFactories(options), &files);
    reader.SetNotifyWindow(window, WM_JOB_PROGRESS);
    reader.SetStopFlag(stop);
    reader.SetProgressSink(sink);
    const std::uint64_t sum = reader.Run();
    m_report = reader.TakeReport();
    return sum;
  }
  std::optional<StoredValue> BufferedValue(std::u16string_view subkey, std::u16string_view name) {
    RegKey key = 0;
    if (Os().RegOpenKeyExW(kHkeyCurrentUser, subkey, kKeyRead, &key) != kErrorSuccess) return std::nullopt;
    StoredValue value;
    std::uint32_t size = 0;
    std::optional<StoredValue> result;
    if (Os().RegQueryValueExW(key, name, &value.type, nullptr, &size) == kErrorSuccess) {
      value.data.resize(size);
      if (Os().RegQueryValueExW(key, name, &value.type, reinterpret_cast<std::uint8_t*>(value.data.data()),
                                &size) == kErrorSuccess) {
        result = value;
      }
    }
    (void)Os().RegCloseKey(key);
    return result;
  }
  std::filesystem::path Fav(const std::string& name) { return m_fixture.Profile().FavoritesDir() / name; }
  // Nothing but the named files in Favorites: no temporary file was left behind.
  std::vector<std::string> FavoritesEntries() {
    std::vector<std::string> names;
    for (const auto& [path, bytes] : SnapshotFiles(m_fixture.Profile().FavoritesDir())) names.push_back(path);
    return names;
  }

  RestoreFixture m_fixture;
  std::unique_ptr<RegistryWrites> m_pWrites;  // uncommitted: reads see the values
  RestoreReport m_report;
};

TEST_F(ArchiveReaderTest, HeaderOnlyArchiveRestoresNothingAndPostsOnlyTheStart) {
  MessageRecorder window;
  ArchiveBuilder archive;
  archive.Header();
  ASSERT_EQ(archive.Size(), 116u);
  EXPECT_EQ(Read(archive, u"", window.Window()), 0u);
  EXPECT_TRUE(m_report.records.empty());
  EXPECT_FALSE(m_report.HasLosses());
  EXPECT_EQ(window.Messages(), (std::vector<PostedMessage>{{WM_JOB_PROGRESS, 0, 0}}));
}

TEST_F(ArchiveReaderTest, RecordsWithoutBlocksCreateEmptyTargets) {
  test::WriteFileBytes(Fav("empty.url"), "old content");
  ArchiveBuilder archive;
  archive.Header()
      .FileHead(kFavorites, u"empty.url").EndMarker()
      .ValueHead(u"Software\\Microsoft\\Internet Explorer\\Main", u"Nothing", kRegBinary).EndMarker();
  EXPECT_EQ(Read(archive), 0u);
  ASSERT_EQ(m_report.records.size(), 2u);
  EXPECT_EQ(m_report.Count(RecordOutcome::kRestored), 2u);
  EXPECT_TRUE(m_report.records[0].bReplaced);
  EXPECT_EQ(ReadFileBytes(Fav("empty.url")), "");
  EXPECT_EQ(BufferedValue(u"Software\\Microsoft\\Internet Explorer\\Main", u"Nothing"),
            (StoredValue{kRegBinary, ""}));
  // Values wait for the job's one commit: a restore killed now leaves no hive change.
  EXPECT_FALSE(std::filesystem::exists(m_fixture.Profile().HivePath()));
}

TEST_F(ArchiveReaderTest, UnknownKindCodesArePassedOverFourBytesAtATime) {
  ArchiveBuilder archive;
  archive.Header().Kind(3).Kind(0xFFFFFFFFu).File(kFavorites, u"a.url", "after the junk");
  EXPECT_EQ(Read(archive), 14u);
  EXPECT_EQ(m_report.nUnknownKindCodes, 2u);
  EXPECT_EQ(m_report.Count(RecordOutcome::kRestored), 1u);
  EXPECT_EQ(ReadFileBytes(Fav("a.url")), "after the junk");
  EXPECT_TRUE(m_report.HasLosses());  // the junk did not reach the profile
}

TEST_F(ArchiveReaderTest, CutShortPiecesEndTheRestoreAndKeepWhatCameBefore) {
  struct Case {
    const char* what;
    std::size_t keep;  // bytes of the second record's pieces that remain
  };
  ArchiveBuilder second;
  second.FileHead(kFavorites, u"b.url").Block(std::string(300, 'n')).EndMarker();
  const Case cases[] = {
      {"kind code", 2},
      {"record head", 700},
      {"block head", 1048 + 3},
      {"block payload", 1048 + 8 + 100},
      {"end marker", 1048 + 8 + 300 + 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::WriteFileBytes(Fav("b.url"), "the old b");
    ArchiveBuilder archive;
    archive.Header().File(kFavorites, u"a.url", "first").Raw(second.Bytes().substr(0, c.keep));
    Read(archive);
    EXPECT_EQ(ReadFileBytes(Fav("a.url")), "first");
    EXPECT_EQ(ReadFileBytes(Fav("b.url")), "the old b");
    EXPECT_TRUE(m_report.bEndedEarly);
    EXPECT_NE(m_report.strEndReason.find("cut short"), std::string::npos) << m_report.strEndReason;
    EXPECT_EQ(m_report.Count(RecordOutcome::kRestored), 1u);
    EXPECT_EQ(FavoritesEntries(), (std::vector<std::string>{"a.url", "b.url"}));
  }
}

TEST_F(ArchiveReaderTest, DamagedBlockLeavesTheOldFileAndTheNextRecordIsRestored) {
  const Coding compressed{true, false, u""};
  std::string payload = EncodePayload(std::string(5000, 'z'), compressed);
  payload[payload.size() / 2] ^= 0x5A;
  payload[payload.size() / 2 + 1] ^= 0x33;
  test::WriteFileBytes(Fav("bad.url"), "keep me");
  ArchiveBuilder archive;
  archive.Header()
      .FileHead(kFavorites, u"bad.url", compressed).RawBlock(payload).EndMarker()
      .File(kFavorites, u"good.url", std::string(3000, 'g'), compressed);
  Read(archive);
  EXPECT_EQ(ReadFileBytes(Fav("bad.url")), "keep me");
  EXPECT_EQ(ReadFileBytes(Fav("good.url")), std::string(3000, 'g'));
  ASSERT_EQ(m_report.records.size(), 2u);
  EXPECT_EQ(m_report.records[0].outcome, RecordOutcome::kDamaged);
  EXPECT_EQ(m_report.nDamagedBlocks, 1u);
  EXPECT_FALSE(m_report.bEndedEarly);
  EXPECT_EQ(FavoritesEntries(), (std::vector<std::string>{"bad.url", "good.url"}));
}

TEST_F(ArchiveReaderTest, FailedBeginSkipsTheRecordAndGoesOn) {
  test::WriteFileBytes(Fav("Links"), "a file where a folder should be");
  ArchiveBuilder archive;
  archive.Header()
      .File(u"%USERPROFILE%\\Favorites\\Links", u"x.url", "cannot land")
      .File(kFavorites, u"y.url", "lands");
  EXPECT_EQ(Read(archive), 5u);
  ASSERT_EQ(m_report.records.size(), 2u);
  EXPECT_EQ(m_report.records[0].outcome, RecordOutcome::kSkipped);
  EXPECT_FALSE(m_report.records[0].strReason.empty());
  EXPECT_EQ(ReadFileBytes(Fav("Links")), "a file where a folder should be");
  EXPECT_EQ(ReadFileBytes(Fav("y.url")), "lands");
}

TEST_F(ArchiveReaderTest, ImpossibleBlockSizesAreDamageNotAllocations) {
  struct Case {
    const char* what;
    std::uint32_t size;
    RecordOutcome outcome;
  };
  const Case cases[] = {
      {"beyond every decoder", 0xFFFFFFF0u, RecordOutcome::kDamaged},
      {"more than any block holds", 5'000'000u, RecordOutcome::kDamaged},
      {"beyond the file", 150'000u, RecordOutcome::kCutShort},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ArchiveBuilder archive;
    archive.Header().FileHead(kFavorites, u"big.url").BlockHead(0, c.size).Raw(std::string(64, 'x'));
    Read(archive);
    ASSERT_EQ(m_report.records.size(), 1u);
    EXPECT_EQ(m_report.records[0].outcome, c.outcome);
    EXPECT_TRUE(m_report.bEndedEarly);
    EXPECT_FALSE(std::filesystem::exists(Fav("big.url")));
  }
}

TEST_F(ArchiveReaderTest, ProgressFollowsThePositionAfterTheHeader) {
  MessageRecorder window;
  ArchiveBuilder archive;
  archive.Header().File(kFavorites, u"a.url", std::string(100, 'a'));
  ASSERT_EQ(archive.Size(), 1280u);
  Read(archive, u"", window.Window());
  // 1164 bytes consumed after the 116-byte header, of 1280: 90.9 percent.
  EXPECT_EQ(window.Messages(),
            (std::vector<PostedMessage>{{WM_JOB_PROGRESS, 0, 0}, {WM_JOB_PROGRESS, 90, 0}}));
}

// Sets the stop flag once the reader has come `afterBytes` into the archive.
class StopAfter final : public ProgressSink {
 public:
  StopAfter(std::atomic<bool>& stop, std::uint64_t afterBytes) : m_stop(stop), m_nAfterBytes(afterBytes) {}
  void OnProgress(std::string_view, std::uint64_t done, std::uint64_t) override {
    if (done >= m_nAfterBytes) m_stop = true;
  }

 private:
  std::atomic<bool>& m_stop;
  std::uint64_t m_nAfterBytes;
};

// A stopped restore frames the rest of the archive, decoding nothing, so that its
// summary counts against the whole archive; where the framing breaks down, the
// count is the least there are.
TEST_F(ArchiveReaderTest, AStopCountsWhatTheArchiveHoldsAfterIt) {
  constexpr std::size_t kRecords = 6;
  const std::string data(2 * kBlockSize + kBlockSize / 2, 'd');
  ArchiveBuilder archive;
  archive.Header();
  for (std::size_t i = 0; i < kRecords; ++i) archive.File(kFavorites, u"f" + FromUtf8(std::to_string(i)), data);
  const std::uint64_t recordSize = (archive.Size() - 116) / kRecords;
  struct Case {
    const char* what;
    std::uint64_t nStopAfter;  // 0: before the first record
    std::size_t nCut;          // bytes cut from the end of the archive
    std::size_t nListed;
    std::uint64_t nLeft;
    bool bExact;
  };
  const Case cases[] = {
      {"before the first record", 0, 0, 0, kRecords, true},
      {"inside the third record", 116 + 2 * recordSize + 1100, 0, 2, kRecords - 2, true},
      {"inside the third, the archive cut short", 116 + 2 * recordSize + 1100, 100, 2, kRecords - 2, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ArchiveBuilder cut;
    cut.Raw(archive.Bytes().substr(0, archive.Size() - c.nCut));
    std::atomic<bool> stop{c.nStopAfter == 0};
    StopAfter stopper(stop, c.nStopAfter);
    Read(cut, u"", 0, &stop, &stopper);
    EXPECT_TRUE(m_report.bStopped);
    EXPECT_EQ(m_report.records.size(), c.nListed);
    EXPECT_EQ(m_report.nRecordsLeft, c.nLeft);
    EXPECT_EQ(m_report.bRecordsLeftExact, c.bExact);
  }
}

}  // namespace
}  // namespace qv::test
