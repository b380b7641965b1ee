// The real message boxes behind UserPrompts, as a user meets them: their buttons
// and details under a style that decorates buttons, and what a question does when
// the window takes it down.
#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyleFactory>
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

// A desktop style of the kind that puts icons on a box's standard buttons.
class ButtonIconsStyle : public QProxyStyle {
 public:
  ButtonIconsStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}
  int styleHint(StyleHint hint, const QStyleOption* pOption, const QWidget* pWidget,
                QStyleHintReturn* pReturn) const override {
    if (hint == SH_DialogButtonBox_ButtonsHaveIcons) return 1;
    return QProxyStyle::styleHint(hint, pOption, pWidget, pReturn);
  }
};

}  // namespace

class MessageBoxesTest : public QObject {
  Q_OBJECT

 private slots:
  void PlainButtonsAndDetails_data() {
    QTest::addColumn<int>("buttons");
    QTest::addColumn<QString>("details");
    QTest::newRow("error with details") << int(BoxButtons::kOk) << "a.url: why\nb.url: why\n";
    QTest::newRow("question") << int(BoxButtons::kYesNo) << "";
  }

  void PlainButtonsAndDetails() {
    QFETCH(int, buttons);
    QFETCH(QString, details);
    const QString previousStyle = QApplication::style()->name();
    QApplication::setStyle(new ButtonIconsStyle);
    {
      QDialogButtonBox decorated(QDialogButtonBox::Ok);
      QVERIFY(!decorated.button(QDialogButtonBox::Ok)->icon().isNull());  // else this test proves nothing
    }
    QString shownDetails;
    QStringList iconed;
    int nButtons = 0;
    QTimer::singleShot(0, [&] {
      QTRY_VERIFY(BoxUp() != nullptr);
      QMessageBox* pBox = BoxUp();
      shownDetails = pBox->detailedText();
      for (QAbstractButton* pButton : pBox->findChildren<QAbstractButton*>()) {
        ++nButtons;
        if (!pButton->icon().isNull()) iconed << pButton->text();
      }
      pBox->done(QMessageBox::No);
    });
    (void)Prompts().MessageBox({nullptr, QStringLiteral("Short."), QStringLiteral("Error"), BoxIcon::kError,
                                static_cast<BoxButtons>(buttons), details});
    QApplication::setStyle(previousStyle);
    QCOMPARE(shownDetails, details);
    QVERIFY(nButtons >= 2);  // OK and "Show Details...", or Yes and No
    QVERIFY2(iconed.isEmpty(), qPrintable(iconed.join(u'|')));
  }

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
