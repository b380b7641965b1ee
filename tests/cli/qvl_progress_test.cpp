// The progress line on a terminal is gone before the summary starts, for every
// command that shows one, whatever the job posted last.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace qv::test
