// The sealed form end to end: every way an archive can be changed without the key
// (a flipped byte, a cut, pieces reordered, pieces taken from another archive made
// with the same password) costs the records it touches, and nothing of those
// records reaches the profile; a wrong password or a hostile header is refused
// before anything is read.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>

#include "jobs/backup_job.h"
#include "jobs/restore_job.h"
#include "jobs/restore_summary_text.h"
#include "platform/coding.h"
#include "platform/text/text.h"
#include "store/records.h"
#include "tests/support/restore_fixture.h"

namespace qv::test {
namespace {

constexpr char16_t kMain[] = u"Software\\Microsoft\\Internet Explorer\\Main";
constexpr char16_t kPassword[] = u"sealed p\u00e4ssw\u00f6rd \u4e2d";
constexpr ScryptCost kTestCost{10, 8, 1};

// One sealed record as its opened block heads frame it: its offset, end, and its
// blocks (offset of the sealed block head, length with it).
struct Frame {
  std::size_t nOffset = 0;
  std::size_t nEnd = 0;
  std::vector<std::pair<std::size_t, std::size_t>> blocks;
  std::string strName;  // the favorite's file name, or the value's name
};

std::vector<Frame> FrameArchive(const std::string& bytes, const std::u16string& password) {
  ArchiveHeaderBytes headerBytes{};
  std::copy_n(bytes.begin(), headerBytes.size(), headerBytes.begin());
  SealKey key;
  if (!OpenSealedHeader(DecodeArchiveHeader(headerBytes), password, &key)) return {};
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  std::vector<Frame> frames;
  std::size_t at = kArchiveHeaderSize;
  while (at + kSealedHeadSize <= bytes.size()) {
    std::vector<std::uint8_t> head;
    if (!OpenPiece(key, SealPlace{at, 0, SealRole::kHead}, std::span(data + at, kSealedHeadSize), &head)) break;
    const std::uint32_t kind = DecodeFixed32(head.data());
    if (kind == 0) break;
    Frame frame;
    frame.nOffset = at;
    const std::span body(head.data() + 4, (kind == kFileItemKind ? kFileItemHeadSize : kRegItemHeadSize) - 4);
    FileItemHead file;
    RegItemHead value;
    if (kind == kFileItemKind && DecodeFileItemHeadBody(body, &file)) {
      frame.strName = ToUtf8(TextFieldValue(file.item.name));
    } else if (kind == kRegItemKind && DecodeRegItemHeadBody(body, &value)) {
      frame.strName = ToUtf8(TextFieldValue(value.item.valueName));
    }
    at += kSealedHeadSize;
    std::vector<std::uint8_t> blockHead;
    while (at + kSealedBlockHeadSize <= bytes.size() &&
           OpenPiece(key, SealPlace{at, 0, SealRole::kBlockHead}, std::span(data + at, kSealedBlockHeadSize),
                     &blockHead) &&
           blockHead[0] == 0) {
      const std::size_t length = kSealedBlockHeadSize + DecodeFixed32(blockHead.data() + 4);
      frame.blocks.emplace_back(at, length);
      at += length;
    }
    at += kSealedBlockHeadSize + kSealedEndSize;
    frame.nEnd = at;
    frames.push_back(frame);
  }
  return frames;
}

// The archive with the head at `offset` sealed again under the right key, with
// another kind: what a later writer's record of a new kind looks like.
std::string WithKind(const std::string& bytes, std::size_t offset, std::uint32_t kind) {
  ArchiveHeaderBytes headerBytes{};
  std::copy_n(bytes.begin(), headerBytes.size(), headerBytes.begin());
  SealKey key;
  std::vector<std::uint8_t> head, sealed;
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  if (!OpenSealedHeader(DecodeArchiveHeader(headerBytes), kPassword, &key) ||
      !OpenPiece(key, SealPlace{offset, 0, SealRole::kHead}, std::span(data + offset, kSealedHeadSize), &head)) {
    return {};
  }
  EncodeFixed32(head.data(), kind);
  if (!SealPiece(key, SealPlace{offset, 0, SealRole::kHead}, head, &sealed)) return {};
  return bytes.substr(0, offset) + std::string(sealed.begin(), sealed.end()) + bytes.substr(offset + sealed.size());
}

const Frame& Named(const std::vector<Frame>& frames, const std::string& name) {
  for (const Frame& frame : frames) {
    if (frame.strName == name) return frame;
  }
  static const Frame none;
  ADD_FAILURE() << "no record " << name;
  return none;
}

std::string Swapped(const std::string& bytes, std::pair<std::size_t, std::size_t> a,
                    std::pair<std::size_t, std::size_t> b) {
  std::string out = bytes;
  out.replace(a.first, a.second, bytes.substr(b.first, b.second));
  out.replace(b.first, b.second, bytes.substr(a.first, a.second));
  return out;
}

class SealedArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_source.Profile().AddFavorite("a.url", "[InternetShortcut]\r\nURL=http://secret-a.example/\r\n");
    m_source.Profile().AddFavorite("b.url", "[InternetShortcut]\r\nURL=http://secret-b.example/\r\n");
    m_source.Profile().AddFavorite("big.bin", Bytes(250000, 3));
    m_source.Profile().SetValue(kMain, u"Start Page", kRegSz,
                                Utf16Bytes(u"http://secret-start.example/") + std::string(2, '\0'));
  }

  std::string Backup(bool compress = false) {
    BackupOptions options;
    options.strArchivePath = m_source.Profile().WindowsPath(m_source.Profile().Scratch("sealed.qvl"));
    options.bCompress = compress;
    options.bProtect = true;
    options.bSealed = true;
    options.strPassword = kPassword;
    options.sealCost = kTestCost;
    const BackupSummary made = RunBackup(options);
    EXPECT_TRUE(made.bOk) << made.strFailure;
    return ReadFileBytes(m_source.Profile().Scratch("sealed.qvl"));
  }

  RestoreFixture m_source;
};

TEST_F(SealedArchiveTest, NothingOfARecordShowsWithoutThePassword) {
  for (const bool compress : {false, true}) {
    const std::string bytes = Backup(compress);
    for (const std::string& clear :
         {std::string("secret-"), std::string("InternetShortcut"), Utf16Bytes(u"a.url"), Utf16Bytes(u"big.bin"),
          Utf16Bytes(u"Favorites"), Utf16Bytes(u"Start Page"), Utf16Bytes(u"Internet Explorer"),
          Utf16Bytes(u"secret-start"),
          // A record's end marker in clear: block heads would frame the blocks and
          // tell their lengths.
          std::string("\x01\0\0\0\x10\0\0\0", 8)}) {
      EXPECT_EQ(bytes.find(clear), std::string::npos) << clear << ", compress " << compress;
    }
  }
}

TEST_F(SealedArchiveTest, EveryTamperingIsFoundBeforeTheTouchedRecordIsWritten) {
  const std::string archive = Backup();
  const std::string other = Backup();  // same profile and password, another salt
  const std::vector<Frame> frames = FrameArchive(archive, kPassword);
  const std::vector<Frame> otherFrames = FrameArchive(other, kPassword);
  ASSERT_EQ(frames.size(), 4u);
  const Frame& a = Named(frames, "a.url");
  const Frame& b = Named(frames, "b.url");
  const Frame& big = Named(frames, "big.bin");
  ASSERT_EQ(big.blocks.size(), 3u);
  ASSERT_EQ(a.nEnd - a.nOffset, b.nEnd - b.nOffset);
  const std::size_t closing = archive.size() - kSealedHeadSize;

  const auto flipped = [&](std::size_t at) {
    std::string out = archive;
    out[at] = static_cast<char>(out[at] ^ 0x40);
    return out;
  };
  const auto spliced = [&](std::pair<std::size_t, std::size_t> piece) {
    return archive.substr(0, piece.first) + other.substr(piece.first, piece.second) +
           archive.substr(piece.first + piece.second);
  };
  const std::string cutBlock =
      archive.substr(0, big.blocks[2].first) + archive.substr(big.blocks[2].first + big.blocks[2].second);
  const struct {
    const char* what;
    std::string bytes;
    std::set<std::string> touched;
    bool bRestOfArchiveReadable;  // else only the records before the first touched one are
  } cases[] = {
      {"a byte of a block flipped", flipped(big.blocks[1].first + 100), {"big.bin"}, true},
      {"a byte of a head flipped", flipped(a.nOffset + 10), {"a.url"}, true},
      {"a byte of a record's end flipped", flipped(b.nEnd - 1), {"b.url"}, true},
      // A block head that does not open frames nothing after it.
      {"a byte of a block head flipped", flipped(big.blocks[1].first + 3), {"big.bin"}, false},
      // Everything after it moved, and is bound to where it was.
      {"a block cut out", cutBlock, {"big.bin"}, false},
      {"the archive cut inside a block", archive.substr(0, big.blocks[1].first + 5000), {"big.bin"}, false},
      {"the closing cut off", archive.substr(0, closing), {}, false},
      {"a byte of the closing flipped", flipped(closing + 10), {}, false},
      {"bytes after the closing", archive + "xy", {}, true},
      {"two blocks reordered", Swapped(archive, big.blocks[0], big.blocks[1]), {"big.bin"}, false},
      {"two records reordered", Swapped(archive, {a.nOffset, a.nEnd - a.nOffset}, {b.nOffset, b.nEnd - b.nOffset}),
       {"a.url", "b.url"}, false},
      {"a block from another archive", spliced(Named(otherFrames, "big.bin").blocks[1]), {"big.bin"}, false},
      {"a record from another archive", spliced({a.nOffset, a.nEnd - a.nOffset}), {"a.url"}, false},
      // Not a tampering, but read the same way: passed over, the rest kept.
      {"a record of a kind this version does not know", WithKind(archive, a.nOffset, 7), {"a.url"}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RestoreFixture target;
    const RestoreSummary summary = target.Restore(c.bytes, kPassword);
    EXPECT_NE(summary.outcome, RestoreOutcome::kOk) << FormatRestoreSummary(summary);
    // Damage costs records; it never makes up one.
    EXPECT_LE(summary.report.records.size(), frames.size()) << FormatRestoreSummary(summary);
    std::size_t firstTouched = c.bytes.size();
    for (const std::string& name : c.touched) firstTouched = std::min(firstTouched, Named(frames, name).nOffset);
    for (const std::string name : {"a.url", "b.url", "big.bin"}) {
      const bool there = std::filesystem::exists(target.Profile().FavoritesDir() / name);
      if (c.touched.count(name) != 0) {
        EXPECT_FALSE(there) << name;
      } else if (c.bRestOfArchiveReadable || Named(frames, name).nEnd <= firstTouched) {
        EXPECT_TRUE(there) << name;
        if (there) {
          EXPECT_EQ(target.Favorite(name), m_source.Favorite(name)) << name;
        }
      }
    }
    if (c.bRestOfArchiveReadable) {
      EXPECT_TRUE(target.CommittedValue(kMain, u"Start Page").has_value());
    }
    if (c.bytes.size() > archive.size()) {
      EXPECT_NE(summary.report.strEndReason.find(std::to_string(archive.size())), std::string::npos)
          << "where the bytes after it begin: " << summary.report.strEndReason;
    }
  }
}

// A piece sealed under the right key that opens to no bytes is no writer's: the
// last record (the setting) gets one, sealed again from there on with the key.
TEST_F(SealedArchiveTest, APieceThatOpensToNothingCostsItsRecordWithItsOwnReason) {
  const std::string archive = Backup();
  const std::vector<Frame> frames = FrameArchive(archive, kPassword);
  ASSERT_EQ(frames.size(), 4u);
  const Frame& last = frames.back();
  ASSERT_EQ(last.blocks.size(), 1u);
  ArchiveHeaderBytes headerBytes{};
  std::copy_n(archive.begin(), headerBytes.size(), headerBytes.begin());
  SealKey key;
  ASSERT_TRUE(OpenSealedHeader(DecodeArchiveHeader(headerBytes), kPassword, &key));
  std::string crafted = archive.substr(0, last.blocks[0].first);
  const auto seal = [&](SealPlace place, const std::vector<std::uint8_t>& plain) {
    std::vector<std::uint8_t> sealed;
    ASSERT_TRUE(SealPiece(key, place, plain, &sealed));
    crafted.append(sealed.begin(), sealed.end());
  };
  const auto head = [](std::uint8_t nLast, std::uint32_t size) {
    const BlockHeadBytes bytes = EncodeBlockHead(BlockHead{nLast, size});
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
  };
  seal(SealPlace{crafted.size(), 0, SealRole::kBlockHead}, head(0, kSealTagSize));
  seal(SealPlace{last.nOffset, 1, SealRole::kBlock}, {});
  seal(SealPlace{crafted.size(), 0, SealRole::kBlockHead}, head(1, kSealTagSize));
  seal(SealPlace{last.nOffset, 2, SealRole::kRecordEnd}, {});
  seal(SealPlace{crafted.size(), 0, SealRole::kHead}, std::vector<std::uint8_t>(kSealedHeadPlainSize, 0));

  RestoreFixture target;
  const RestoreSummary summary = target.Restore(crafted, kPassword);
  EXPECT_NE(summary.outcome, RestoreOutcome::kOk);
  EXPECT_TRUE(std::filesystem::exists(target.Profile().FavoritesDir() / "big.bin"));
  EXPECT_FALSE(target.CommittedValue(kMain, u"Start Page").has_value());
  EXPECT_NE(FormatRestoreSummary(summary).find("opens to no bytes"), std::string::npos) << FormatRestoreSummary(summary);
}

TEST_F(SealedArchiveTest, AWrongPasswordOrAChangedHeaderIsToldBeforeAnythingIsRead) {
  const std::string archive = Backup();
  std::string otherSalt = archive;
  otherSalt[30] = static_cast<char>(otherSalt[30] ^ 1);
  std::string hostileCost = archive;
  hostileCost[11] = 40;  // 2^40 rounds: refused unread, never allocated
  std::string reservedSet = archive;
  reservedSet[100] = 1;
  const struct {
    const char* what;
    std::string bytes;
    std::u16string password;
    ArchiveCheckResult expected;
  } cases[] = {
      {"a wrong password", archive, u"sealed passw\u00f6rd", ArchiveCheckResult::kWrongPassword},
      {"the password folded as the DES form would", archive, u"sealed p?ssw?rd ?", ArchiveCheckResult::kWrongPassword},
      {"a changed salt", otherSalt, kPassword, ArchiveCheckResult::kWrongPassword},
      {"a cost past the bounds", hostileCost, kPassword, ArchiveCheckResult::kIncorrect},
      {"a reserved byte set", reservedSet, kPassword, ArchiveCheckResult::kIncorrect},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RestoreFixture target;
    const RestoreSummary summary = target.Restore(c.bytes, c.password);
    EXPECT_EQ(summary.check, c.expected);
    EXPECT_EQ(summary.outcome, RestoreOutcome::kFailed);
    EXPECT_TRUE(std::filesystem::is_empty(target.Profile().FavoritesDir()));
  }
}

TEST(SealedPassword, TakesAnyUnicodeFromEightCharactersOn) {
  const struct {
    std::u16string password;
    bool ok;
  } cases[] = {
      {u"1234567", false},
      {u"12345678", true},
      {u"\u4e2d\u6587\u4e2d\u6587\u4e2d\u6587\u4e2d", false},  // 7 characters
      {u"\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600", true},
      {u"\U0001F600\U0001F600\U0001F600" u"1234", false},  // 10 units, 7 characters
      {std::u16string(u"abcd\0efgh", 9), false},
      {u"abcdefgh\xD800", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.password));
    EXPECT_EQ(SealedPasswordProblem(c.password).empty(), c.ok) << SealedPasswordProblem(c.password);
  }
}

}  // namespace
}  // namespace qv::test
