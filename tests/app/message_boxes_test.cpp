// The real message boxes behind UserPrompts, as a user meets them: what a question
// does when the window takes it down.
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include "app/user_prompts.h"
#include "tests/app/suites.h"

namespace qv::app::test {
namespace {

QMessageBox* BoxUp() {
  for (QWidget* pWidget : QApplication::topLevelWidgets()) {
    if (auto* pBox = qobject_cast<QMessageBox*>(pWidget); pBox && pBox->isVisible()) return pBox;
  }
  return nullptr;
}

}  // namespace

class MessageBoxesTest : public QObject {
  Q_OBJECT

 private slots:
  // A question the window takes down answers No and is gone; one for another
  // window stays for its user.
  void DismissedQuestionAnswersNo() {
    QWidget owner;
    QWidget other;
    bool bOtherStayed = false;
    QTimer::singleShot(0, [&] {
      QTRY_VERIFY(BoxUp() != nullptr);
      Prompts().DismissQuestions(&other);
      bOtherStayed = BoxUp() != nullptr;
      Prompts().DismissQuestions(&owner);
    });
    const bool bYes = Prompts().MessageBox(
        {&owner, QStringLiteral("Stop it?"), QStringLiteral("Quorvel"), BoxIcon::kQuestion, BoxButtons::kYesNo});
    QVERIFY(!bYes);
    QVERIFY(bOtherStayed);
    QVERIFY(BoxUp() == nullptr);
  }
};

std::unique_ptr<QObject> MakeMessageBoxesTest() { return std::make_unique<MessageBoxesTest>(); }

}  // namespace qv::app::test

#include "message_boxes_test.moc"
