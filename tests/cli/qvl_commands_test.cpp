// What every qvl command shares, run as the built binary: --help and the manual
// page made from it, --version, an unknown command, JSON that parses, and error
// messages that name files as the user named them.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/cli/qvl_session.h"
#include "tests/support/archive_builder.h"
#include "tests/support/run_tool.h"
#include "tests/support/temp_dir.h"

namespace qv::test {
namespace {

const std::vector<std::string> kCommands = {"backup", "restore", "status", "list",
                                            "verify", "extract", "export-bookmarks"};

TEST(QvlCommands, HelpVersionAndUnknownCommands) {
  QvlSession session;
  for (const std::string& command : kCommands) {
    const QvlResult help = session.Run(command + " --help");
    EXPECT_EQ(help.exitCode, 0) << command;
    EXPECT_NE(help.out.find("Usage: qvl " + command), std::string::npos) << help.out;
    if (command != "status") {
      EXPECT_NE(help.out.find("Exit codes"), std::string::npos) << command;
    }
  }
  const QvlResult version = session.Run("--version");
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out.rfind("qvl ", 0), 0u) << version.out;

  for (const std::string arguments : {"frobnicate a.qvl", ""}) {
    const QvlResult unknown = session.Run(arguments);
    EXPECT_EQ(unknown.exitCode, 2);
    if (!arguments.empty()) {
      EXPECT_NE(unknown.err.find("unknown command \"frobnicate\""), std::string::npos);
    }
    for (const std::string& command : kCommands) EXPECT_NE(unknown.err.find("  " + command + " "), std::string::npos);
  }
}

// A careful command line: a usage error names the command and what is wrong (never
// a secret typed after "="), a near miss gets a suggestion, qvl help is --help,
// every command takes -q, and list promises no question it never asks.
TEST(QvlCommands, UsageErrorsNameTheCommandAndWhatIsWrong) {
  QvlSession session;
  struct Case {
    std::string arguments;
    std::string told;  // how standard error begins
  };
  const std::vector<Case> cases = {
      {"backup", "qvl backup: ARCHIVE is required\nRun qvl help backup for its options.\n"},
      {"backup a.qvl b.qvl", "qvl backup: unexpected argument \"b.qvl\"\n"},
      {"backup a.qvl --compres", "qvl backup: unknown option --compres; did you mean \"--compress\"?\n"},
      {"verify a.qvl --password=secret1", "qvl verify: unknown option --password; did you mean \"--password-file\"?\n"},
      {"--frob", "qvl: unknown option --frob\n"},
      {"-q status", "qvl: unknown option -q; options of a command come after it: qvl COMMAND -q\n"},
      {"bakup a.qvl", "qvl: unknown command \"bakup\"; did you mean \"backup\"?\n"},
      {"help lsit", "qvl: unknown command \"lsit\"; did you mean \"list\"?\n"},
      {"help list verify", "qvl help: one command at most\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    const QvlResult result = session.Run(c.arguments);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err.rfind(c.told, 0), 0u) << result.err;
    EXPECT_EQ(result.err.find("secret1"), std::string::npos) << result.err;
  }
  EXPECT_EQ(session.Run("help").out, session.Run("--help").out);
  for (const std::string& command : kCommands) {
    const QvlResult help = session.Run("help " + command);
    EXPECT_EQ(help.exitCode, 0) << command;
    EXPECT_EQ(help.out, session.Run(command + " --help").out) << command;
    EXPECT_NE(help.out.find("-q,--quiet"), std::string::npos) << command;
  }
  EXPECT_EQ(session.Run("list --help").out.find("question"), std::string::npos);
}

TEST(QvlCommands, OneOfAThingIsSingular) {
  QvlSession session;
  session.Profile().AddFavorite("a.url", "a");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"@backup a.qvl", "  Favorites: 1 record, 1 byte of data, "},
      {"@restore --dry-run a.qvl", "Would restore 1 of 1 record (1 byte, 1 replacing an existing target).\n"},
      {"extract a.qvl --to out", "Extracted 1 of 1 selected record (1 byte, 0 replacing an existing file).\n"},
      {"list a.qvl", "1 record (1 favorite, 0 settings), 1 byte stored, 1 byte plain.\n"},
  };
  for (const auto& [arguments, told] : cases) {
    const QvlResult result = arguments[0] == '@' ? session.RunOnProfile(arguments.substr(1)) : session.Run(arguments);
    EXPECT_NE(result.out.find(told), std::string::npos) << arguments << "\n" << result.out;
  }
}

TEST(QvlCommands, TheManualPageIsTheHelpText) {
  QvlSession session;
  const std::filesystem::path page = std::filesystem::path(QUORVEL_SOURCE_DIR) / "docs/qvl.1";
  const QvlResult made = session.Run("--man-page");
  ASSERT_EQ(made.exitCode, 0);
  EXPECT_EQ(ReadFileBytes(page), made.out) << "docs/qvl.1 is stale: build/bin/qvl --man-page > docs/qvl.1";
  for (const std::string& command : kCommands) {
    std::string roff;  // as the page spells it: minus signs escaped
    for (const char c : command) roff += c == '-' ? std::string("\\-") : std::string(1, c);
    EXPECT_NE(made.out.find(".SS \"qvl " + roff), std::string::npos) << command;
  }
  if (ToolAvailable("groff")) {
    EXPECT_EQ(RunTool("groff -man -ww -z '" + page.string() + "' 2>&1").output, "") << "roff warnings";
  }
}

TEST(QvlCommands, ErrorsNameTheFileAsGivenAndOnlyInNativeForm) {
  QvlSession session;
  const QvlResult failed = session.RunOnProfile("backup no-such/a.qvl");
  EXPECT_EQ(failed.exitCode, 1);
  EXPECT_EQ(failed.err.rfind("qvl backup: no-such/a.qvl: ", 0), 0u) << failed.err;
  EXPECT_NE(failed.out.find("Backup failed; no-such/a.qvl was not changed."), std::string::npos) << failed.out;
  EXPECT_EQ((failed.out + failed.err).find("Z:\\"), std::string::npos) << failed.out << failed.err;

  const QvlResult missing = session.Run("verify missing.qvl");
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("qvl verify: missing.qvl: "), std::string::npos) << missing.err;
  EXPECT_EQ(missing.err.find("Z:\\"), std::string::npos) << missing.err;
}

TEST(QvlCommands, JsonParsesForEveryCommandThatHasIt) {
  if (!ToolAvailable("python3")) GTEST_SKIP() << "python3 is needed to read the JSON";
  QvlSession session;
  session.Profile().AddFavorite("a.url", "[InternetShortcut]\r\nURL=http://a.example/\r\n");
  session.Profile().SetValue(kIeKey, u"v", 3, "data");
  struct Case {
    std::string arguments;  // "@" at the start: on the fixture's profile
    std::string check;      // a python expression on the document d
  };
  const std::vector<Case> cases = {
      {"@backup --json a.qvl", "d['ok'] and d['items'][0]['records'] == 1 and d['error'] is None"},
      {"@status --json", "[i['name'] for i in d['items']] == ['Favorites', 'IE Settings'] and d['items'][0]['bytes'] > 0"},
      {"@restore --json --dry-run a.qvl", "d['outcome'] == 'ok' and d['dryRun'] and d['total'] == 2"},
      {"list --json a.qvl", "len(d['records']) == 2 and d['records'][1]['type'] == 'REG_BINARY'"},
      {"verify --json a.qvl", "d['sound'] and d['records'] == 2 and d['problems'] == []"},
      {"extract --json a.qvl --to out", "d['outcome'] == 'ok' and d['extracted'] == 2 and d['settingsValues'] == 1"},
      {"verify --json missing.qvl", "d['error'].startswith('Failed to open')"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    const QvlResult result = c.arguments[0] == '@' ? session.RunOnProfile(c.arguments.substr(1)) : session.Run(c.arguments);
    int exitCode = -1;
    const std::string verdict =
        RunPython("import json, sys\nd = json.load(sys.stdin)\nprint(bool(" + c.check + "))\n", result.out, &exitCode);
    EXPECT_EQ(verdict, "True\n") << result.out << result.err;
  }
}

// A Linux file name in another code page, or a name from an archive with a lone
// surrogate, shows U+FFFD, with its exact form in "raw": the document stays UTF-8.
TEST(QvlCommands, JsonStaysUtf8AndKeepsNamesThatAreNot) {
  if (!ToolAvailable("python3")) GTEST_SKIP() << "python3 is needed to read the JSON";
  QvlSession session;
  session.Profile().AddFavorite("caf\xE9.url", "x");
  ArchiveBuilder()
      .Header()
      .File(u"%USERPROFILE%\\Favorites", u"a\xD800.url", "x")
      .Value(kIeKey, u"v\xDC00", 3, "y")
      .WriteTo(session.Scratch("lone.qvl"));
  struct Case {
    std::string arguments;  // "@" at the start: on the fixture's profile
    std::string check;      // a python expression on the document d
  };
  const std::vector<Case> cases = {
      {"@backup --json b.qvl",
       "d['skipped'][0]['path'].endswith('/caf\\ufffd.url') and "
       "bytes.fromhex(d['skipped'][0]['raw']['path']).endswith(b'/caf\\xe9.url')"},
      {"list --json lone.qvl",
       "d['records'][0]['name'] == 'a\\ufffd.url' and d['records'][0]['raw'] == {'name': '610000d82e00750072006c00'} "
       "and d['records'][1]['raw'] == {'value': '760000dc'} and 'raw' not in d"},
      {"@restore --json --dry-run lone.qvl", "'a\\ufffd.url' in d['records'][0]['target']"},
      {"extract --json lone.qvl --to out", "'a\\ufffd.url' in d['records'][0]['target']"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    const QvlResult result = c.arguments[0] == '@' ? session.RunOnProfile(c.arguments.substr(1)) : session.Run(c.arguments);
    const std::string verdict = RunPython(
        "import json, sys\nd = json.loads(sys.stdin.buffer.read().decode('utf-8'))\nprint(bool(" + c.check + "))\n",
        result.out);
    EXPECT_EQ(verdict, "True\n") << result.out << result.err;
  }
}

}  // namespace
}  // namespace qv::test
