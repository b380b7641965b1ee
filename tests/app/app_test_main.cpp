// One executable for the window's suites; ctest runs each by name.
#include <QApplication>
#include <QTest>
#include <cstring>
#include <memory>

#include "tests/app/suites.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const qv::app::test::Suite* pChosen = nullptr;
  if (argc > 1) {
    for (const qv::app::test::Suite& suite : qv::app::test::AllSuites()) {
      if (std::strcmp(argv[1], suite.strName) == 0) pChosen = &suite;
    }
  }
  int failures = 0;
  for (const qv::app::test::Suite& suite : qv::app::test::AllSuites()) {
    if (pChosen && pChosen != &suite) continue;
    const std::unique_ptr<QObject> pTests = suite.make();
    // The suite's name is not a Qt Test option: leave it out.
    failures += QTest::qExec(pTests.get(), pChosen ? argc - 1 : argc, pChosen ? argv + 1 : argv);
  }
  return failures == 0 ? 0 : 1;
}
