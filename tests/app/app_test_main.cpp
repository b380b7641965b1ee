// One executable for the window's suites: `test_app NAME [Qt Test options]` runs
// one, `test_app` all.
#include <QApplication>
#include <QTest>
#include <cstring>

#include "tests/app/suites.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  struct Suite {
    const char* strName;
    std::unique_ptr<QObject> (*make)();
  };
  const Suite suites[] = {{"DialogsTest", qv::app::test::MakeDialogsTest},
                          {"MainFrameTest", qv::app::test::MakeMainFrameTest},
                          {"JobsTest", qv::app::test::MakeJobsTest}};
  const bool bOne = argc > 1 && argv[1][0] != '-';
  int failures = 0;
  for (const Suite& suite : suites) {
    if (bOne && std::strcmp(argv[1], suite.strName) != 0) continue;
    const std::unique_ptr<QObject> pTests = suite.make();
    failures += QTest::qExec(pTests.get(), bOne ? argc - 1 : argc, bOne ? argv + 1 : argv);
  }
  return failures == 0 ? 0 : 1;
}
