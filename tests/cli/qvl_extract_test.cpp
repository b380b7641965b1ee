// qvl extract, run as the built binary: favorites byte for byte below DIR, settings
// as a registry file that an independent importer reads back to the same values,
// patterns that select, and nothing written outside DIR.
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "platform/linux/registry/hive/empty_hive.h"
#include "platform/text/text.h"
#include "tests/cli/qvl_session.h"
#include "tests/support/archive_builder.h"
#include "tests/support/restore_fixture.h"
#include "tests/support/run_tool.h"
#include "tests/support/temp_dir.h"

namespace qv::test {
namespace {

constexpr char16_t kFavorites[] = u"%USERPROFILE%\\Favorites";
constexpr char16_t kMain[] = u"Software\\Microsoft\\Internet Explorer\\Main";

std::string Nul() { return std::string(2, '\0'); }

bool ImporterAvailable() { return ToolAvailable("hivexregedit") && ToolAvailable("iconv"); }

// Merges DIR/settings.reg into an empty hive that becomes the fixture's NTUSER.DAT,
// with the manual's recipe: hivexregedit reads the file's UTF-8 form, and reads it
// as UTF-8 only when perl is told so.
void MergeIntoEmptyHive(const std::filesystem::path& reg, RestoreFixture& target) {
  const std::vector<std::uint8_t> empty = MakeEmptyHive(CurrentFileTime());
  WriteFileBytes(target.Profile().HivePath(), std::string(empty.begin(), empty.end()));
  const std::string utf8 = target.Profile().Scratch("settings-utf8.reg").string();
  const ToolResult merged = RunTool("iconv -f UTF-16LE -t UTF-8 '" + reg.string() + "' | tr -d '\\r' > '" + utf8 +
                                    "' && PERL_UNICODE=SD hivexregedit --merge --prefix HKEY_CURRENT_USER '" +
                                    target.Profile().HivePath().string() + "' '" + utf8 + "' && echo merged");
  ASSERT_EQ(merged.output, "merged\n");
}

TEST(QvlExtract, FavoritesArriveByteForByteBelowDir) {
  QvlSession session;
  ProfileFixture& profile = session.Profile();
  profile.AddFavorite("Links/site.url", "[InternetShortcut]\r\nURL=http://example.org/\r\n");
  profile.AddFavorite("Reisen/Zürich & co.url", "[InternetShortcut]\r\nURL=http://zurich.example/\r\n");
  profile.AddFavorite("big.bin", Bytes(250000, 9));
  profile.AddFavorite("empty.url", "");
  ASSERT_EQ(session.RunOnProfile("backup a.qvl --compress", "QVL_PASSWORD=secret-one").exitCode, 0);

  const QvlResult extracted = session.Run("extract a.qvl --to out/here", "QVL_PASSWORD=secret-one");
  EXPECT_EQ(extracted.exitCode, 0) << extracted.out << extracted.err;
  EXPECT_EQ(SnapshotFiles(session.Scratch("out/here/Favorites")), SnapshotFiles(profile.FavoritesDir()));
  EXPECT_FALSE(std::filesystem::exists(session.Scratch("out/here/settings.reg"))) << "no setting, no file";

  // Again into the same folder: the favorites are replaced, and said to be.
  const QvlResult again = session.Run("extract a.qvl --to out/here", "QVL_PASSWORD=secret-one");
  EXPECT_EQ(again.exitCode, 0);
  EXPECT_NE(again.out.find("4 replacing an existing file"), std::string::npos) << again.out;
}

TEST(QvlExtract, SettingsRegKeepsEveryTypeAndByteThroughAnIndependentImporter) {
  if (!ImporterAvailable()) GTEST_SKIP() << "hivexregedit and iconv are needed";
  const std::string wrapped(700, '\x5A');
  struct Value {
    std::u16string name;
    std::uint32_t type;
    std::string data;
    std::u16string line;  // the start of its line in settings.reg; empty: not checked
  };
  const std::vector<Value> values = {
      {u"Start Page", kRegSz, Utf16Bytes(u"http://a.example/?q=\"x\"\\y") + Nul(),
       u"\"Start Page\"=\"http://a.example/?q=\\\"x\\\"\\\\y\""},
      {u"", kRegSz, Utf16Bytes(u"unnamed") + Nul(), u"@=\"unnamed\""},
      {u"No terminator", kRegSz, Utf16Bytes(u"abc"), u"\"No terminator\"=hex(1):61,00,62,00,63,00"},
      {u"Two lines", kRegSz, Utf16Bytes(u"a\r\nb") + Nul(), u"\"Two lines\"=hex(1):"},
      {u"Path", kRegExpandSz, Utf16Bytes(u"%USERPROFILE%\\x") + Nul(), u"\"Path\"=hex(2):25,00"},
      {u"List", kRegMultiSz, Utf16Bytes(u"a") + Nul() + Utf16Bytes(u"b") + Nul() + Nul(), u"\"List\"=hex(7):61,00,00,00"},
      {u"Quad", kRegQword, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8),
       u"\"Quad\"=hex(b):01,02,03,04,05,06,07,08"},
      {u"Nothing", kRegNone, "", u"\"Nothing\"=hex(0):"},
      {u"Count", kRegDword, std::string("\x78\x56\x34\x12", 4), u"\"Count\"=dword:12345678"},
      {u"Short dword", kRegDword, std::string("\x01\x02\x03", 3), u"\"Short dword\"=hex(4):01,02,03"},
      {u"Blob", kRegBinary, wrapped, u"\"Blob\"=hex:5a,5a"},
      {u"Own type", 0x20000, "zz", u"\"Own type\"=hex(20000):7a,7a"},
      {u"quote\"d", kRegBinary, "q", u"\"quote\\\"d\"=hex:71"},
      {u"Größe ✓", kRegSz, Utf16Bytes(u"Grüße – 日本 \U0001F600") + Nul(), u"\"Größe ✓\"=\"Grüße – 日本 \U0001F600\""},
  };
  QvlSession session;
  ArchiveBuilder archive;
  archive.Header();
  for (const Value& value : values) archive.Value(kMain, value.name, value.type, value.data);
  archive.Value(u"Software\\Microsoft\\Internet Explorer\\Deeper\\Still", u"x", kRegBinary, "1");
  archive.Value(u"Software\\Microsoft\\Internet Explorer\\Zürich Ключ", u"Ort", kRegSz, Utf16Bytes(u"Zürich") + Nul());
  archive.WriteTo(session.Scratch("a.qvl"));
  ASSERT_EQ(session.Run("extract a.qvl --to out").exitCode, 0);

  const std::string bytes = ReadFileBytes(session.Scratch("out/settings.reg"));
  ASSERT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  std::u16string text;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    text += static_cast<char16_t>(static_cast<std::uint8_t>(bytes[i]) | static_cast<std::uint8_t>(bytes[i + 1]) << 8);
  }
  EXPECT_EQ(text.rfind(u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n", 0), 0u);
  for (std::size_t at = text.find(u'\n'); at != std::u16string::npos; at = text.find(u'\n', at + 1)) {
    ASSERT_EQ(text[at - 1], u'\r') << "a line ending without CR at " << at;
  }
  for (const Value& value : values) {
    EXPECT_NE(text.find(u"\r\n" + value.line), std::u16string::npos) << ToUtf8(value.line);
  }
  EXPECT_NE(text.find(u",\\\r\n  5a,"), std::u16string::npos) << "long hex is wrapped the way regedit wraps it";

  RestoreFixture merged;
  MergeIntoEmptyHive(session.Scratch("out/settings.reg"), merged);
  const auto tree = merged.CommittedTree(u"Software\\Microsoft\\Internet Explorer");
  EXPECT_EQ(tree.size(), values.size() + 2);
  const std::string other = "Software\\Microsoft\\Internet Explorer\\Zürich Ключ\\[Ort]";
  ASSERT_EQ(tree.count(other), 1u);
  EXPECT_EQ(tree.at(other), (StoredValue{kRegSz, Utf16Bytes(u"Zürich") + Nul()}));
  for (const Value& value : values) {
    const std::string key = "Software\\Microsoft\\Internet Explorer\\Main\\[" + ToUtf8(value.name) + "]";
    ASSERT_EQ(tree.count(key), 1u) << key;
    EXPECT_EQ(tree.at(key), (StoredValue{value.type, value.data})) << key;
  }
}

TEST(QvlExtract, TheSharedHivesSettingsComeBackWithEveryTypeAndByte) {
  if (!ImporterAvailable()) GTEST_SKIP() << "hivexregedit and iconv are needed";
  RestoreFixture original;
  if (!original.Profile().UseSharedHive()) GTEST_SKIP() << "no shared NTUSER.DAT";
  QvlSession session;
  const std::string profile = " --profile='" + original.Profile().ProfileDir().string() + "'";
  ASSERT_EQ(session.Run("backup real.qvl --compress" + profile).exitCode, 0);
  const QvlResult extracted = session.Run("extract real.qvl --to out");
  ASSERT_EQ(extracted.exitCode, 0) << extracted.out << extracted.err;

  RestoreFixture merged;
  MergeIntoEmptyHive(session.Scratch("out/settings.reg"), merged);
  const auto expected = original.CommittedTree(u"Software\\Microsoft\\Internet Explorer");
  ASSERT_GT(expected.size(), 100u);
  EXPECT_EQ(merged.CommittedTree(u"Software\\Microsoft\\Internet Explorer"), expected);
}

TEST(QvlExtract, PatternsSelectByStoredPathOrKeyAndValue) {
  QvlSession session;
  ArchiveBuilder archive;
  archive.Header()
      .File(kFavorites, u"top.url", "t")
      .File(std::u16string(kFavorites) + u"\\Links", u"a.url", "a")
      .File(std::u16string(kFavorites) + u"\\Links\\Deep", u"b.URL", "b")
      .File(std::u16string(kFavorites) + u"\\Other", u"c.txt", "c")
      .Value(kMain, u"Start Page", kRegSz, Utf16Bytes(u"x") + Nul())
      .Value(kMain, u"", kRegSz, Utf16Bytes(u"y") + Nul())
      .Value(u"Software\\Microsoft\\Internet Explorer\\Zoom", u"Level", kRegDword, std::string(4, '\0'));
  archive.WriteTo(session.Scratch("a.qvl"));
  struct Case {
    std::string patterns;
    std::set<std::string> files;  // below DIR/Favorites
    std::set<std::string> values; // "Key [name]" lines that settings.reg must name
  };
  const std::vector<Case> cases = {
      {"'Links/*'", {"Links/a.url", "Links/Deep/b.URL"}, {}},
      {"'*.url'", {"top.url", "Links/a.url", "Links/Deep/b.URL"}, {}},
      {"Links", {"Links/a.url", "Links/Deep/b.URL"}, {}},
      {"'%USERPROFILE%\\Favorites\\Other\\c.txt'", {"Other/c.txt"}, {}},
      {"'links/deep/?.url'", {"Links/Deep/b.URL"}, {}},
      {"'*\\Main\\Start Page'", {}, {"\"Start Page\""}},
      {"'HKCU\\Software\\Microsoft\\Internet Explorer\\Main\\@'", {}, {"@="}},
      {"'Software/Microsoft/Internet Explorer/Zoom'", {}, {"\"Level\""}},
      {"'[tz]*'", {"top.url"}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.patterns);
    std::filesystem::remove_all(session.Scratch("out"));
    const QvlResult result = session.Run("extract a.qvl --to out " + c.patterns);
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    std::set<std::string> files;
    for (const auto& [path, content] : SnapshotFiles(session.Scratch("out/Favorites"))) {
      if (!path.ends_with("/")) files.insert(path);
    }
    EXPECT_EQ(files, c.files);
    const std::string reg = ReadFileBytes(session.Scratch("out/settings.reg"));
    for (const std::string& name : c.values) EXPECT_NE(reg.find(Utf16Bytes(FromUtf8(name))), std::string::npos);
    EXPECT_EQ(c.values.empty(), reg.empty()) << "settings.reg only when a setting was selected";
  }
  const QvlResult unmatched = session.Run("extract a.qvl --to out2 Links nothing-like-it");
  EXPECT_EQ(unmatched.exitCode, 3);
  EXPECT_NE(unmatched.out.find("The pattern \"nothing-like-it\" matched no record."), std::string::npos);
}

TEST(QvlExtract, NothingLeavesDir) {
  QvlSession session;
  const std::filesystem::path outside = session.Scratch("outside");
  WriteFileBytes(outside / "keep.txt", "outside");
  const std::u16string outsideWindows = session.Profile().WindowsPath(outside);
  ArchiveBuilder archive;
  archive.Header()
      .File(kFavorites, u"fine.url", "fine")
      .File(u"%USERPROFILE%\\..", u"up.url", "x")
      .File(u"%USERPROFILE%\\Favorites\\..\\..", u"upup.url", "x")
      .File(outsideWindows, u"keep.txt", "overwritten")
      .File(kFavorites, u"..", "x")
      .File(kFavorites, u"link\\through.url", "x")
      .File(std::u16string(kFavorites) + u"\\Escape", u"through.url", "x")
      .Value(u"Software\\Microsoft\\Windows\\CurrentVersion\\Run", u"evil", kRegSz, Utf16Bytes(u"x") + Nul())
      .Value(kMain, u"root", kRegSz, Utf16Bytes(u"x") + Nul(), {}, 0x80000002u)
      .Value(kMain, u"fine", kRegSz, Utf16Bytes(u"x") + Nul());
  archive.WriteTo(session.Scratch("a.qvl"));
  // A link inside DIR that leads out, and a settings.reg that is a link out.
  std::filesystem::create_directories(session.Scratch("out/Favorites"));
  std::filesystem::create_directory_symlink(outside, session.Scratch("out/Favorites/Escape"));
  std::filesystem::create_symlink(outside / "keep.txt", session.Scratch("out/settings.reg"));
  const auto before = SnapshotFiles(outside);

  const QvlResult result = session.Run("extract a.qvl --to out");
  EXPECT_EQ(result.exitCode, 3) << result.out << result.err;
  EXPECT_NE(result.out.find("Skipped 8:"), std::string::npos) << result.out;
  EXPECT_FALSE(std::filesystem::is_symlink(session.Scratch("out/settings.reg"))) << "the link is replaced, not followed";
  EXPECT_EQ(SnapshotFiles(outside), before);
  EXPECT_EQ(ReadFileBytes(session.Scratch("out/Favorites/fine.url")), "fine");
  EXPECT_FALSE(std::filesystem::exists(session.Scratch("up.url")));
  EXPECT_FALSE(std::filesystem::exists(session.Scratch("upup.url")));
  for (const auto& [path, content] : SnapshotFiles(session.Scratch("out"))) {
    EXPECT_EQ(path.find(".quorvel-"), std::string::npos) << "a temporary file stayed behind: " << path;
  }

  // Favorites itself a link out of DIR: nothing at all is written.
  std::filesystem::create_directory(session.Scratch("out2"));
  std::filesystem::create_directory_symlink(outside, session.Scratch("out2/Favorites"));
  const QvlResult refused = session.Run("extract a.qvl --to out2");
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.err.find("leads outside"), std::string::npos) << refused.err;
  EXPECT_EQ(SnapshotFiles(outside), before);
}

// What the folder could not take back to Windows, or its importers could not read,
// is skipped with its reason, and the rest still arrives.
TEST(QvlExtract, NamesAWindowsFolderOrAnImporterCannotTakeAreSkippedWithTheReason) {
  QvlSession session;
  const std::u16string links = std::u16string(kFavorites) + u"\\Links";
  const std::u16string lone(1, static_cast<char16_t>(0xDC00));
  ArchiveBuilder archive;
  archive.Header()
      .File(links, u"a.url", "first")
      .File(std::u16string(kFavorites) + u"\\LINKS", u"b.url", "x")
      .File(links, u"A.URL", "x")
      .File(links, u"a.url", "second")
      .File(kFavorites, u".quorvel-Ab3dEf.tmp", "x")
      .Value(std::u16string(kMain) + lone, u"x", kRegSz, Utf16Bytes(u"x") + Nul())
      .Value(kMain, u"bad" + lone, kRegSz, Utf16Bytes(u"x") + Nul())
      .Value(kMain, u"fine", kRegSz, Utf16Bytes(u"x") + Nul());
  archive.WriteTo(session.Scratch("a.qvl"));
  const QvlResult result = session.Run("extract a.qvl --to out");
  EXPECT_EQ(result.exitCode, 3) << result.out << result.err;
  for (const char* skipped : {"LINKS\\b.url: the name \"LINKS\" differs only in case from one extracted before",
                              "Links\\A.URL: the name \"A.URL\" differs only in case from one extracted before",
                              "Quorvel's own temporary files", "the key's name holds an unpaired surrogate",
                              "the value's name holds an unpaired surrogate"}) {
    EXPECT_NE(result.out.find(skipped), std::string::npos) << skipped << "\n" << result.out;
  }
  EXPECT_NE(result.out.find("Skipped 5:"), std::string::npos) << result.out;
  EXPECT_EQ(ReadFileBytes(session.Scratch("out/Favorites/Links/a.url")), "second") << "one spelling, written twice";
  EXPECT_FALSE(std::filesystem::exists(session.Scratch("out/Favorites/LINKS")));
  if (ToolAvailable("iconv")) {
    const ToolResult converted =
        RunTool("iconv -f UTF-16LE -t UTF-8 '" + session.ScratchText("out/settings.reg") + "' >/dev/null && echo read");
    EXPECT_EQ(converted.output, "read\n");
  }
}

TEST(QvlExtract, AFavoritesThatIsNoFolderIsNamedForWhatItIs) {
  struct Case {
    const char* what;
    std::function<void(const std::filesystem::path&)> make;
    const char* reason;
  };
  const std::vector<Case> cases = {
      {"a link that leads nowhere",
       [](const std::filesystem::path& at) { std::filesystem::create_symlink("missing", at); },
       "it is a link to missing, which does not exist"},
      {"a loop of links", [](const std::filesystem::path& at) { std::filesystem::create_symlink("Favorites", at); },
       "which leads round in a loop of links"},
      {"a file", [](const std::filesystem::path& at) { WriteFileBytes(at, "x"); }, "a file holds that name"},
  };
  QvlSession session;
  ArchiveBuilder archive;
  archive.Header().File(kFavorites, u"a.url", "x");
  archive.WriteTo(session.Scratch("a.qvl"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(session.Scratch("out"));
    std::filesystem::create_directory(session.Scratch("out"));
    c.make(session.Scratch("out/Favorites"));
    const QvlResult result = session.Run("extract a.qvl --to out");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find(c.reason), std::string::npos) << result.err;
  }
}

}  // namespace
}  // namespace qv::test
