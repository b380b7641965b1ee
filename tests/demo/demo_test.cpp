// The demo of `make run`: the profile its maker writes is a real one (hivexregedit
// reads every value with its type), the maker never writes into a folder in use,
// and scripts/demo shows each command it runs, can run again, and empties no
// folder but its own.
#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>

#include "demo/demo_profile.h"
#include "tests/support/profile_fixture.h"
#include "tests/support/run_tool.h"
#include "tests/support/temp_dir.h"

namespace qv::test {
namespace {

const std::filesystem::path kBuildDir = std::filesystem::path(QUORVEL_QVL_BINARY).parent_path().parent_path();
const std::filesystem::path kSourceDir = QUORVEL_SOURCE_DIR;

// Paths in single quotes for the shell (ours hold none). Appended, not "'" + path:
// g++ 12 at -O3 warns wrongly about the latter (-Wrestrict).
std::string Command(const std::string& program, std::initializer_list<std::string> paths, const std::string& tail) {
  std::string command = program;
  for (const std::string& path : paths) command.append(" '").append(path).append("'");
  return command.append(tail);
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST(DemoProfile, AnIndependentReaderFindsEveryValueWithItsType) {
  if (!ToolAvailable("hivexregedit")) GTEST_SKIP() << "hivexregedit is not installed";
  ProfileFixture profile;
  demo::DemoProfileSummary summary;
  const Status made = demo::MakeDemoProfile(profile.platform(), profile.ProfileDir(), &summary);
  ASSERT_TRUE(made.ok()) << made.message();

  const ToolResult exported = RunTool(Command("hivexregedit --export", {profile.HivePath().string()},
                                              " '\\Software\\Microsoft\\Internet Explorer'"));
  ASSERT_EQ(exported.exitCode, 0);
  EXPECT_EQ(Count(exported.output, "\"="), summary.nSettings) << exported.output;
  // REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_MULTI_SZ, REG_QWORD, REG_DWORD.
  for (const char* type : {"=hex(1):", "=hex(2):", "=hex(3):", "=hex(7):", "=hex(b):", "=dword:"}) {
    EXPECT_NE(exported.output.find(type), std::string::npos) << type;
  }
  std::size_t favorites = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(profile.FavoritesDir())) {
    if (entry.is_regular_file()) {
      ++favorites;
      EXPECT_EQ(ReadFileBytes(entry.path()).rfind("[InternetShortcut]\r\nURL=", 0), 0u) << entry.path();
    }
  }
  EXPECT_EQ(favorites, summary.nFavorites);
  EXPECT_FALSE(HasTempFile(profile.ProfileDir()));
}

TEST(DemoProfile, TheMakerLeavesAFolderInUseAlone) {
  TempDir dir;
  WriteFileBytes(dir / "profile/notes.txt", "mine");
  const ToolResult refused =
      RunTool(Command("exec", {(kBuildDir / "bin/quorvel_demo_profile").string(), (dir / "profile").string()}, " 2>&1"));
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.output.find("is not empty"), std::string::npos) << refused.output;
  EXPECT_EQ(ReadFileBytes(dir / "profile/notes.txt"), "mine");
  EXPECT_FALSE(std::filesystem::exists(dir / "profile/Favorites"));
}

TEST(DemoScript, ShowsEachCommandRunsAgainAndNeverEmptiesAForeignFolder) {
  TempDir dir;
  const auto demo = [&](const std::string& folder) {
    return RunTool(Command("bash", {(kSourceDir / "scripts/demo").string(), kBuildDir.string(), folder}, " 2>&1"));
  };
  for (int run = 0; run < 2; ++run) {
    const ToolResult shown = demo((dir / "demo").string());
    ASSERT_EQ(shown.exitCode, 0) << shown.output;
    for (const std::string command : {"/quorvel_demo_profile ", "/qvl backup ", "/qvl verify ", "/qvl list ",
                                      "/qvl restore ", "diff -r "}) {
      EXPECT_NE(shown.output.find(command), std::string::npos) << command << "\n" << shown.output;
    }
    EXPECT_NE(shown.output.find("--password-file "), std::string::npos);
    EXPECT_NE(shown.output.find("compressed, password protected"), std::string::npos) << shown.output;
    EXPECT_NE(shown.output.find("Sound: every record decodes"), std::string::npos) << shown.output;
    EXPECT_NE(shown.output.find("Outcome: ok"), std::string::npos) << shown.output;
  }

  // make run's own folder, beside the build's own (the demo/ folder of the build
  // is CMake's, and never the demo's).
  const ToolResult byDefault =
      RunTool(Command("bash", {(kSourceDir / "scripts/demo").string(), kBuildDir.string()}, " 2>&1"));
  EXPECT_EQ(byDefault.exitCode, 0) << byDefault.output;
  EXPECT_TRUE(std::filesystem::exists(kBuildDir / "demo/CMakeFiles"));

  WriteFileBytes(dir / "mine/notes.txt", "mine");
  const ToolResult refused = demo((dir / "mine").string());
  EXPECT_EQ(refused.exitCode, 1) << refused.output;
  EXPECT_EQ(ReadFileBytes(dir / "mine/notes.txt"), "mine");
}

}  // namespace
}  // namespace qv::test
