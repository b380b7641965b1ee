// The window's test suites, each a Qt Test object; ctest runs each by its name.
#pragma once

#include <QObject>
#include <memory>

namespace qv::app::test {

std::unique_ptr<QObject> MakeDialogsTest();
std::unique_ptr<QObject> MakeMainFrameTest();
std::unique_ptr<QObject> MakeJobsTest();
std::unique_ptr<QObject> MakeAssociationTest();
std::unique_ptr<QObject> MakeStartupTest();

}  // namespace qv::app::test
