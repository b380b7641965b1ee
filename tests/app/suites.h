// The window's test suites, each a Qt Test object.
#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <span>

namespace qv::app::test {

struct Suite {
  const char* strName;
  std::function<std::unique_ptr<QObject>()> make;
};

std::span<const Suite> AllSuites();

std::unique_ptr<QObject> MakeBackupDialogTest();
std::unique_ptr<QObject> MakeOtherDialogsTest();
std::unique_ptr<QObject> MakeMainFrameTest();
std::unique_ptr<QObject> MakeJobsTest();

}  // namespace qv::app::test
