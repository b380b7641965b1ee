// One executable for the window's suites: `test_app NAME [Qt Test options]` runs
// one, `test_app` all.
#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>

#include "tests/app/suites.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  // A start writes desktop files for the user: never into the real home's.
  QTemporaryDir dataHome;
  qputenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit());
  struct Suite {
    const char* strName;
    std::unique_ptr<QObject> (*make)();
  };
  const Suite suites[] = {{"DialogsTest", qv::app::test::MakeDialogsTest},
                          {"MainFrameTest", qv::app::test::MakeMainFrameTest},
                          {"JobsTest", qv::app::test::MakeJobsTest},
                          {"AssociationTest", qv::app::test::MakeAssociationTest},
                          {"StartupTest", qv::app::test::MakeStartupTest}};
  const bool bOne = argc > 1 && argv[1][0] != '-';
  int failures = 0;
  for (const Suite& suite : suites) {
    if (bOne && std::strcmp(argv[1], suite.strName) != 0) continue;
    const std::unique_ptr<QObject> pTests = suite.make();
    failures += QTest::qExec(pTests.get(), bOne ? argc - 1 : argc, bOne ? argv + 1 : argv);
  }
  return failures == 0 ? 0 : 1;
}
