// qvl export-bookmarks, run as the built binary; the HTML is read back by an
// independent parser (python's html.parser), which unescapes as a browser does.
#include <gtest/gtest.h>

#include <set>

#include "tests/cli/qvl_session.h"
#include "tests/support/archive_builder.h"
#include "tests/support/run_tool.h"
#include "tests/support/temp_dir.h"

namespace qv::test {
namespace {

// Every link as "folder/folder|title|href", in document order: a folder is the
// <H3> text before a <DL>, and a <DL> closes with its </DL>.
constexpr char kLinksInFolders[] = R"(
import sys
from html.parser import HTMLParser
class Links(HTMLParser):
    def __init__(self):
        super().__init__()
        self.path, self.pending, self.text, self.href, self.where = [], None, None, None, None
    def handle_starttag(self, tag, attrs):
        if tag == "dl":
            self.path.append(self.pending or "")
            self.pending = None
        elif tag in ("h3", "a"):
            self.text, self.where = "", tag
            self.href = dict(attrs).get("href")
    def handle_endtag(self, tag):
        if tag == "dl":
            self.path.pop()
        elif tag == "h3":
            self.pending, self.where = self.text, None
        elif tag == "a":
            print("/".join(p for p in self.path if p), self.text, self.href, sep="|")
            self.where = None
    def handle_data(self, data):
        if self.where:
            self.text += data
text = sys.stdin.read()
assert text.startswith("<!DOCTYPE NETSCAPE-Bookmark-file-1>")
Links().feed(text)
)";

const std::string kShortcut = "[InternetShortcut]\r\nURL=";

TEST(QvlExportBookmarks, EveryUrlFavoriteLandsEscapedInItsFolder) {
  if (!ToolAvailable("python3")) GTEST_SKIP() << "python3 is needed to parse the HTML";
  QvlSession session;
  ProfileFixture& profile = session.Profile();
  profile.AddFavorite("Top.url", kShortcut + "http://top.example/\r\n");
  profile.AddFavorite("Links/A & B <tags>.url", kShortcut + "http://a.example/?x=1&y=\"2\"<3>\r\n");
  profile.AddFavorite("Links/Deeper/Zürich.url", "[InternetShortcut]\nurl = https://z\xC3\xBCrich.example/\n");
  profile.AddFavorite("Links/Deeper/ansi.URL", kShortcut + "http://caf\xE9.example/\r\n");  // Windows-1252
  profile.AddFavorite("Links/Deeper/defaults.url",
                      "[DEFAULT]\r\nBASEURL=http://wrong.example/\r\n[InternetShortcut]\r\nURL=http://right.example/\r\n");
  profile.AddFavorite("Other/wide.url", std::string("\xFF\xFE", 2) + Utf16Bytes(u"[InternetShortcut]\r\nURL=http://w.example/\r\n"));
  profile.AddFavorite("Other/notes.txt", "not a shortcut");
  profile.AddFavorite("Other/broken.url", "[InternetShortcut]\r\nIconIndex=1\r\n");
  profile.AddFavorite("Other/none.url", "URL=http://outside.example/\r\n");
  ASSERT_EQ(session.RunOnProfile("backup a.qvl --compress", "QVL_PASSWORD=secret-one").exitCode, 0);

  const QvlResult written = session.Run("export-bookmarks a.qvl -o bookmarks.html", "QVL_PASSWORD=secret-one");
  EXPECT_EQ(written.exitCode, 3) << written.err;
  EXPECT_NE(written.out.find("Wrote 6 bookmarks in 3 folders to bookmarks.html."), std::string::npos) << written.out;
  EXPECT_NE(written.out.find("Not converted 3:"), std::string::npos) << written.out;
  EXPECT_NE(written.out.find("Other\\notes.txt: it is not an Internet shortcut (.url)"), std::string::npos);
  EXPECT_NE(written.out.find("Other\\broken.url: its [InternetShortcut] section has no URL= line"), std::string::npos);
  EXPECT_NE(written.out.find("Other\\none.url: it has no [InternetShortcut] section"), std::string::npos);

  const std::string html = ReadFileBytes(session.Scratch("bookmarks.html"));
  EXPECT_NE(html.find("HREF=\"http://a.example/?x=1&amp;y=&quot;2&quot;&lt;3&gt;\">A &amp; B &lt;tags&gt;</A>"),
            std::string::npos)
      << html;
  int exitCode = -1;
  std::string lines = RunPython(kLinksInFolders, html, &exitCode);
  ASSERT_EQ(exitCode, 0) << html;
  std::multiset<std::string> found;
  for (std::size_t at = 0; at < lines.size();) {
    const std::size_t end = lines.find('\n', at);
    found.insert(lines.substr(at, end - at));
    at = end + 1;
  }
  const std::multiset<std::string> expected = {
      "|Top|http://top.example/",
      "Links|A & B <tags>|http://a.example/?x=1&y=\"2\"<3>",
      "Links/Deeper|Zürich|https://zürich.example/",
      "Links/Deeper|ansi|http://café.example/",
      "Links/Deeper|defaults|http://right.example/",
      "Other|wide|http://w.example/",
  };
  EXPECT_EQ(found, expected) << lines;

  // To standard output, the summary goes to standard error; every .url converted: 0.
  QvlSession clean;
  clean.Profile().AddFavorite("One.url", kShortcut + "http://one.example/\r\n");
  ASSERT_EQ(clean.RunOnProfile("backup b.qvl").exitCode, 0);
  const QvlResult piped = clean.Run("export-bookmarks b.qvl");
  EXPECT_EQ(piped.exitCode, 0) << piped.err;
  EXPECT_EQ(piped.out.rfind("<!DOCTYPE NETSCAPE-Bookmark-file-1>", 0), 0u);
  EXPECT_NE(piped.err.find("Wrote 1 bookmark in 0 folders to standard output."), std::string::npos) << piped.err;
}

// An address no browser takes is not a bookmark: a megabyte of Windows-1252 bytes
// that each become three of UTF-8. And however many favorites do not convert, the
// summary names a thousand and counts the rest.
TEST(QvlExportBookmarks, WhatNoBrowserTakesIsSkippedAndAThousandAreNamed) {
  QvlSession session;
  ArchiveBuilder archive;
  archive.Header().File(u"%USERPROFILE%\\Favorites", u"huge.url", kShortcut + std::string(1024 * 1024 - 24, '\x80'));
  for (int i = 0; i < 1001; ++i) archive.File(u"%USERPROFILE%\\Favorites", u"notes.txt", "x");
  archive.File(u"%USERPROFILE%\\Favorites", u"kept.url", kShortcut + "http://kept.example/\r\n");
  archive.WriteTo(session.Scratch("a.qvl"));

  const QvlResult result = session.Run("export-bookmarks a.qvl -o b.html");
  EXPECT_EQ(result.exitCode, 3) << result.err;
  EXPECT_NE(result.out.find("Wrote 1 bookmark in 0 folders"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("huge.url: its URL is longer than any browser takes"), std::string::npos);
  EXPECT_NE(result.out.find("Not converted 1002:"), std::string::npos);
  EXPECT_NE(result.out.find("\n  ... and 2 more, not listed.\n"), std::string::npos);
  const std::string html = ReadFileBytes(session.Scratch("b.html"));
  EXPECT_NE(html.find("http://kept.example/"), std::string::npos);
  EXPECT_LT(html.size(), 4096u);
}

}  // namespace
}  // namespace qv::test
