// The files that tell the desktop about us, and the detached run of its cache
// builders: whole files or none, and programs that hold nothing of ours.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/linux/desktop/data_files.h"
#include "platform/linux/desktop/detached_run.h"
#include "tests/support/temp_dir.h"

namespace qv {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

std::vector<std::string> Names(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(DataFiles, WritesWholeFilesAndReplacesOldOnes) {
  TempDir dir;
  WriteFileBytes(dir / "applications/quorvel.desktop", std::string(5000, 'o'));  // longer than the new one
  WriteFileBytes(dir / "applications/.quorvel-999999999-AbCdEf.tmp", "left by a killed start");
  const Status status = WriteDataFiles(dir.path().string(), {{"applications/quorvel.desktop", "[Desktop Entry]\n"},
                                                             {"icons/hicolor/16x16/apps/quorvel.png", "png"}});
  ASSERT_TRUE(status.ok()) << status.message();
  EXPECT_EQ(ReadFileBytes(dir / "applications/quorvel.desktop"), "[Desktop Entry]\n");
  EXPECT_EQ(ReadFileBytes(dir / "icons/hicolor/16x16/apps/quorvel.png"), "png");
  EXPECT_EQ(Names(dir / "applications"), std::vector<std::string>{"quorvel.desktop"});
  struct stat info {};
  ASSERT_EQ(stat((dir / "applications/quorvel.desktop").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0444, 0444u) << "the desktop reads it as another process may";
}

TEST(DataFiles, GoesOnPastAFolderItCannotMake) {
  TempDir dir;
  WriteFileBytes(dir / "mime", "a file where a folder belongs");
  const Status status =
      WriteDataFiles(dir.path().string(), {{"mime/packages/quorvel.xml", "<x/>"}, {"applications/q.desktop", "d"}});
  EXPECT_FALSE(status.ok());
  EXPECT_NE(status.message().find("mime"), std::string::npos) << status.message();
  EXPECT_EQ(ReadFileBytes(dir / "applications/q.desktop"), "d");
  EXPECT_EQ(ReadFileBytes(dir / "mime"), "a file where a folder belongs");
}

TEST(DetachedRun, RunsTheProgramsThereAreInOrder) {
  TempDir dir;
  const std::string log = (dir / "log").string();
  DetachedRun run = DetachedRun::Start({{"sh", "-c", "echo one >> \"$0\"", log},
                                        {"quorvel-no-such-program", "x"},
                                        {},
                                        {"sh", "-c", "echo two >> \"$0\"", log}});
  run.Wait();
  EXPECT_EQ(ReadFileBytes(log), "one\ntwo\n");
  run.Wait();  // a second wait returns too
}

TEST(DetachedRun, ProgramsGetNullStreamsAndNoneOfOurDescriptors) {
  TempDir dir;
  // Without close-on-exec, as a lock or a hive the caller holds might be.
  const int opened = open((dir / "held").c_str(), O_CREAT | O_WRONLY, 0600);
  ASSERT_GE(opened, 0);
  const int inherited = fcntl(opened, F_DUPFD, 20);  // clear of the runner's own 0 to 3
  close(opened);
  ASSERT_GE(inherited, 20);
  const std::string out = (dir / "fds").string();
  // Each test runs before a command substitution or a redirection opens one.
  const std::string script =
      "for n in 0 1 2; do echo \"$n $(readlink /proc/$$/fd/$n)\" >> \"$0\"; done; "
      "for n in 3 " + std::to_string(inherited) + "; do [ -e /proc/$$/fd/$n ] && echo \"$n open\" >> \"$0\"; done; true";
  DetachedRun run = DetachedRun::Start({{"sh", "-c", script, out}});
  run.Wait();
  close(inherited);
  EXPECT_EQ(ReadFileBytes(out), "0 /dev/null\n1 /dev/null\n2 /dev/null\n");
}

TEST(DetachedRun, NothingToRunIsDoneAtOnce) {
  DetachedRun run = DetachedRun::Start({{"quorvel-no-such-program"}});
  run.Wait();
  DetachedRun never;
  never.Wait();
  EXPECT_FALSE(FindOnPath("sh").empty());
  EXPECT_TRUE(FindOnPath("quorvel-no-such-program").empty());
}

}  // namespace
}  // namespace qv
