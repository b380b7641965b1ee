// The progress line on a terminal is gone before the summary starts, for every
// command that shows one, whatever the job posted last.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/cli/qvl_session.h"

namespace qv::test {
namespace {

// What the terminal shows on the line where `text` starts, just before it: the
// transcript is replayed with \r moving back to the start of the line.
std::string LineLeftBefore(const std::string& transcript, std::size_t textStart) {
  const std::size_t lineStart = transcript.rfind('\n', textStart);
  std::string line;
  std::size_t column = 0;
  for (std::size_t i = lineStart == std::string::npos ? 0 : lineStart + 1; i < textStart; ++i) {
    if (transcript[i] == '\r') {
      column = 0;
      continue;
    }
    if (column < line.size()) {
      line[column] = transcript[i];
    } else {
      line += transcript[i];
    }
    ++column;
  }
  return line;
}

TEST(QvlProgress, TheLineIsClearedBeforeTheSummary) {
  QvlSession session;
  session.Profile().AddFavorite("big.bin", Bytes(300000, 3));
  ASSERT_EQ(session.RunOnProfile("backup a.qvl").exitCode, 0);
  const std::string profile = "--profile=" + session.Profile().ProfileDir().string();
  struct Case {
    std::vector<std::string> arguments;
    std::string label;
    std::string summary;
  };
  const std::vector<Case> cases = {
      {{"verify", "a.qvl"}, "Verifying: ", "Checked "},
      {{"extract", "a.qvl", "--to", "out"}, "Extracting: ", "Extracted from "},
      {{"export-bookmarks", "a.qvl", "-o", "b.html"}, "Reading: ", "Wrote "},
      {{"restore", "a.qvl", "--dry-run", profile}, "Reading: ", "Dry run of "},
      {{"restore", "a.qvl", profile}, "Restoring: ", "Restored from "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.summary);
    const QvlResult run = session.RunInTerminal(c.arguments, {});
    const std::size_t summary = run.out.find(c.summary);
    ASSERT_NE(run.out.find(c.label), std::string::npos) << run.out;
    ASSERT_NE(summary, std::string::npos) << run.out;
    EXPECT_EQ(LineLeftBefore(run.out, summary).find_first_not_of(' '), std::string::npos) << run.out;
  }
}

// Each redraw of the line: its percentage and what follows it.
std::vector<std::pair<int, std::string>> Redraws(const std::string& transcript, const std::string& label) {
  std::vector<std::pair<int, std::string>> redraws;
  for (std::size_t at = transcript.find(label); at != std::string::npos; at = transcript.find(label, at + 1)) {
    const std::size_t digits = at + label.size();
    const std::size_t percent = transcript.find('%', digits);
    if (percent == std::string::npos) break;
    std::size_t end = transcript.find_first_of("\r\n", percent);
    if (end == std::string::npos) end = transcript.size();
    std::string item = transcript.substr(percent + 1, end - percent - 1);
    item.erase(item.find_last_not_of(' ') + 1);
    redraws.emplace_back(std::stoi(transcript.substr(digits, percent - digits)), item.empty() ? item : item.substr(1));
  }
  return redraws;
}

// The line goes once from 0 to 100 % over the whole job, not once per item, and
// names what is being worked on.
TEST(QvlProgress, TheLineCountsTheWholeJobAndNamesTheItem) {
  QvlSession session;
  session.Profile().AddFavorite("big.bin", Bytes(300000, 3));
  session.Profile().SetValue(kIeKey, u"Blob", kRegBinary, Bytes(250000, 5));
  const std::string profile = "--profile=" + session.Profile().ProfileDir().string();
  struct Case {
    std::vector<std::string> arguments;
    std::string label;
    std::vector<std::string> items;
  };
  const std::vector<Case> cases = {
      {{"backup", "a.qvl", profile}, "Backing up: ", {"Favorites", "IE Settings"}},
      {{"restore", "a.qvl", profile},
       "Restoring: ",
       {"favorite %USERPROFILE%\\Favorites\\big.bin", "\\Internet Explorer [Blob]"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const QvlResult run = session.RunInTerminal(c.arguments, {});
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const auto redraws = Redraws(run.out, c.label);
    ASSERT_FALSE(redraws.empty()) << run.out;
    for (std::size_t i = 1; i < redraws.size(); ++i) EXPECT_GE(redraws[i].first, redraws[i - 1].first) << run.out;
    // A name too long for the line is cut at its start, so that the line never wraps.
    for (const auto& [percent, item] : redraws) {
      EXPECT_LT(c.label.size() + std::to_string(percent).size() + 2 + item.size(), 80u) << item;
    }
    for (const std::string& item : c.items) {
      EXPECT_TRUE(std::any_of(redraws.begin(), redraws.end(), [&](const auto& r) { return r.second.ends_with(item); }))
          << item << " in " << run.out;
    }
  }
}

}  // namespace
}  // namespace qv::test
