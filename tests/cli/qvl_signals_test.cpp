// qvl backup and qvl restore asked to stop by a signal while they write: each
// leaves no temporary file behind, an earlier archive unchanged and every favorite
// either as it was or whole.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/temp_file_name.h"
#include "tests/support/archive_builder.h"
#include "tests/support/profile_fixture.h"
#include "tests/support/restore_fixture.h"

extern char** environ;

namespace qv::test {
namespace {

constexpr int kFavoriteCount = 40;
constexpr std::size_t kFavoriteSize = 1 << 20;

bool HasTempFile(const std::filesystem::path& root) {
  std::error_code error;
  for (auto it = std::filesystem::recursive_directory_iterator(root, error);
       !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    if (IsTempFileName(it->path().filename().string())) return true;
  }
  return false;
}

// Starts qvl, waits until it is writing a temporary file below `watched` (its
// signal handling is in place by then), signals it and returns its exit code.
int RunAndSignal(const std::vector<std::string>& arguments, const std::filesystem::path& watched, int signal) {
  std::vector<std::string> argv = {QUORVEL_QVL_BINARY};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<char*> raw;
  for (std::string& argument : argv) raw.push_back(argument.data());
  raw.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  const int spawned = posix_spawn(&child, raw[0], &actions, nullptr, raw.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  // A condition, not a delay: the job shows itself by its temporary file, or ends.
  while (!HasTempFile(watched)) {
    if (waitpid(child, &status, WNOHANG) == child) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  kill(child, signal);
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(QvlSignals, AStoppedJobLeavesNothingHalfDone) {
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal);
    RestoreFixture fixture;
    ProfileFixture& profile = fixture.Profile();
    ArchiveBuilder archive;
    archive.Header();
    for (int i = 0; i < kFavoriteCount; ++i) {
      // Appended piece by piece: g++ 12 -O3 warns falsely (-Wrestrict) on "f" + ... + ".bin".
      std::string name = "f";
      name += std::to_string(i);
      name += ".bin";
      profile.AddFavorite(name, "the earlier content");
      archive.File(u"%USERPROFILE%\\Favorites", std::u16string(name.begin(), name.end()),
                   Bytes(kFavoriteSize, static_cast<std::uint32_t>(i)));
    }
    archive.WriteTo(fixture.ArchiveFile());
    const std::string profileOption = "--profile=" + profile.ProfileDir().string();

    const int restored = RunAndSignal({"restore", fixture.ArchiveFile().string(), profileOption},
                                      profile.FavoritesDir(), signal);
    EXPECT_TRUE(restored == 3 || restored == 0) << restored;
    EXPECT_FALSE(HasTempFile(profile.ProfileDir()));
    for (const auto& [path, content] : SnapshotFiles(profile.FavoritesDir())) {
      if (path.ends_with("/")) continue;
      EXPECT_TRUE(content == "the earlier content" || content.size() == kFavoriteSize) << path;
    }

    const std::filesystem::path target = profile.Scratch("out.qvl");
    WriteFileBytes(target, "an earlier archive");
    const int backedUp = RunAndSignal({"backup", target.string(), profileOption}, target.parent_path(), signal);
    EXPECT_TRUE(backedUp == 1 || backedUp == 0) << backedUp;
    EXPECT_FALSE(HasTempFile(target.parent_path()));
    if (backedUp == 1) {
      EXPECT_EQ(ReadFileBytes(target), "an earlier archive");
    }
  }
}

}  // namespace
}  // namespace qv::test
