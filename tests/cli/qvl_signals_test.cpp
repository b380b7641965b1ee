// qvl backup and qvl restore asked to stop by a signal while they write: each
// leaves no temporary file behind, an earlier archive unchanged and every favorite
// either as it was or whole, and says it stopped.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/support/archive_builder.h"
#include "tests/support/profile_fixture.h"
#include "tests/support/qvl_process.h"
#include "tests/support/restore_fixture.h"

namespace qv::test {
namespace {

constexpr int kFavoriteCount = 40;
constexpr std::size_t kFavoriteSize = 1 << 20;

// Starts qvl, waits until it is writing a temporary file below `watched` (its
// signal handling is in place by then), signals it and returns its exit code;
// what it printed goes to `output`.
int RunAndSignal(const std::vector<std::string>& arguments, const std::filesystem::path& watched, int signal,
                 const std::filesystem::path& output) {
  const pid_t child = StartQvl(arguments, {}, output.string());
  if (child < 0) return -1;
  QvlExit exit;
  // A condition, not a delay: the job shows itself by its temporary file, or ends.
  while (!HasTempFile(watched)) {
    if (QvlEnded(child, &exit)) return exit.nExitCode;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  kill(child, signal);
  return WaitForQvl(child).nExitCode;
}

// A stopped job exits as a shell reports a process the signal ended, counts what
// it did against everything there was, and never reads as complete.
void ExpectToldStopped(int exitCode, int signal, const std::string& output, const std::string& stopped,
                       const std::string& complete) {
  if (exitCode == 0) return;  // it ended before the signal came
  EXPECT_EQ(exitCode, 128 + signal);
  const std::string name = signal == SIGINT ? "Ctrl-C" : signal == SIGTERM ? "SIGTERM" : "SIGHUP";
  EXPECT_NE(output.find(" of " + std::to_string(kFavoriteCount) + " records"), std::string::npos) << output;
  EXPECT_NE(output.find("topped by " + name + stopped), std::string::npos) << output;
  EXPECT_EQ(output.find(complete), std::string::npos) << output;
}

TEST(QvlSignals, AStoppedJobLeavesNothingHalfDone) {
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal);
    RestoreFixture fixture;
    ProfileFixture& profile = fixture.Profile();
    ArchiveBuilder archive;
    archive.Header();
    for (int i = 0; i < kFavoriteCount; ++i) {
      std::string name = "f";  // appended, not "f" + ...: g++ 12 -O3 warns falsely (-Wrestrict)
      name += std::to_string(i) + ".bin";
      profile.AddFavorite(name, "the earlier content");
      archive.File(u"%USERPROFILE%\\Favorites", std::u16string(name.begin(), name.end()),
                   Bytes(kFavoriteSize, static_cast<std::uint32_t>(i)));
    }
    archive.WriteTo(fixture.ArchiveFile());
    const std::string profileOption = "--profile=" + profile.ProfileDir().string();

    const std::filesystem::path output = profile.Scratch("output.txt");
    const int restored = RunAndSignal({"restore", fixture.ArchiveFile().string(), profileOption},
                                      profile.FavoritesDir(), signal, output);
    ExpectToldStopped(restored, signal, ReadFileBytes(output), " before the end of the archive: ",
                      "Restored 40 of 40");
    EXPECT_FALSE(HasTempFile(profile.ProfileDir()));
    for (const auto& [path, content] : SnapshotFiles(profile.FavoritesDir())) {
      if (path.ends_with("/")) continue;
      EXPECT_TRUE(content == "the earlier content" || content.size() == kFavoriteSize) << path;
    }

    const std::filesystem::path target = profile.Scratch("out.qvl");
    WriteFileBytes(target, "an earlier archive");
    const int backedUp =
        RunAndSignal({"backup", target.string(), profileOption}, target.parent_path(), signal, output);
    ExpectToldStopped(backedUp, signal, ReadFileBytes(output), " after ", "Backed up to");
    EXPECT_FALSE(HasTempFile(target.parent_path()));
    if (backedUp != 0) {
      EXPECT_EQ(ReadFileBytes(target), "an earlier archive");
    }
  }
}

}  // namespace
}  // namespace qv::test
