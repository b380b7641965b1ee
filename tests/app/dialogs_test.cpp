// The four dialogs: the backup dialog's checks and their order and which boxes it
// enables, what the others hand back or open, and what every dialog offers a
// screen reader; and the real message boxes: plain buttons, details, and a
// question that the window takes down.
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyleFactory>
#include <QTest>
#include <QTimer>

#include "app/dialogs/about_dlg.h"
#include "app/dialogs/backup_dialog.h"
#include "app/dialogs/dialog_builder.h"
#include "app/dialogs/enter_password_dialog.h"
#include "app/dialogs/splash_dialog.h"
#include "app/help_pages.h"
#include "app/resources/resource_ids.h"
#include "app/user_prompts.h"
#include "tests/app/suites.h"
#include "tests/app/support/scripted_prompts.h"

namespace qv::app::test {
namespace {

const QString kNoName = QStringLiteral("Please enter the filename before you press OK button!");
const QString kMismatch =
    QStringLiteral("Wrong password, please enter the password twice into the password boxes!");
const QString kFolder =
    QStringLiteral("The filename is a folder, please enter the name of a file for the archive!");
const QString kTooShort =
    QStringLiteral("Password too short, please make sure your password has six or more characters!");
const QString kUnusable = QStringLiteral(
    "Password has characters that protection cannot use, please use only Western European letters, digits "
    "and signs!");

bool Enabled(const QDialog& dialog, int nId) { return DialogItem(dialog, nId)->isEnabled(); }


std::vector<std::unique_ptr<QDialog>> EveryDialog() {
  std::vector<std::unique_ptr<QDialog>> dialogs;
  dialogs.push_back(std::make_unique<CBackupDialog>());
  dialogs.push_back(std::make_unique<CEnterPasswordDialog>());
  dialogs.push_back(std::make_unique<CSplashDialog>());
  dialogs.push_back(std::make_unique<CAboutDlg>());
  return dialogs;
}

QString AccessibleName(QWidget* pWidget) {
  QAccessibleInterface* pInterface = QAccessible::queryAccessibleInterface(pWidget);
  return pInterface ? pInterface->text(QAccessible::Name) : QString();
}

QMessageBox* BoxUp() {
  for (QWidget* pWidget : QApplication::topLevelWidgets()) {
    if (auto* pBox = qobject_cast<QMessageBox*>(pWidget); pBox && pBox->isVisible()) return pBox;
  }
  return nullptr;
}

// As some desktops' styles do: their icons on a box's standard buttons.
class ButtonIconsStyle : public QProxyStyle {
 public:
  ButtonIconsStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}
  int styleHint(StyleHint hint, const QStyleOption* pOption, const QWidget* pWidget,
                QStyleHintReturn* pReturn) const override {
    return hint == SH_DialogButtonBox_ButtonsHaveIcons ? 1 : QProxyStyle::styleHint(hint, pOption, pWidget, pReturn);
  }
};

}  // namespace

class DialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void ChecksInOrder_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("protect");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("confirm");
    QTest::addColumn<QString>("message");  // empty: the dialog closes with OK
    QTest::addColumn<int>("focus");
    QTest::newRow("empty path") << "" << false << "" << "" << kNoName << IDC_FILENAME;
    QTest::newRow("blank path") << " \t " << false << "" << "" << kNoName << IDC_FILENAME;
    QTest::newRow("path before passwords") << "  " << true << "a" << "b" << kNoName << IDC_FILENAME;
    QTest::newRow("unprotected ignores passwords") << "a.qvl" << false << "x" << "y" << "" << 0;
    QTest::newRow("mismatch before length") << "a.qvl" << true << "abc" << "abcd" << kMismatch << IDC_PASSWORD;
    QTest::newRow("case matters") << "a.qvl" << true << "Secret1" << "secret1" << kMismatch << IDC_PASSWORD;
    QTest::newRow("five characters") << "a.qvl" << true << "12345" << "12345" << kTooShort << IDC_PASSWORD;
    QTest::newRow("empty password") << "a.qvl" << true << "" << "" << kTooShort << IDC_PASSWORD;
    QTest::newRow("six characters") << "a.qvl" << true << "123456" << "123456" << "" << 0;
    QTest::newRow("length before characters") << "a.qvl" << true << "с" << "с" << kTooShort << IDC_PASSWORD;
    QTest::newRow("Cyrillic") << "a.qvl" << true << "секретик" << "секретик" << kUnusable << IDC_PASSWORD;
    QTest::newRow("Western European") << "a.qvl" << true << "Grüße€œ" << "Grüße€œ" << "" << 0;
    QTest::newRow("blanks around the path") << "  my archive.qvl  " << false << "" << "" << "" << 0;
    const QString folder = QDir::tempPath();
    QTest::newRow("a folder") << folder << false << "" << "" << kFolder << IDC_FILENAME;
    QTest::newRow("a folder, with a slash") << folder + "/" << false << "" << "" << kFolder << IDC_FILENAME;
    QTest::newRow("folder before passwords") << folder << true << "a" << "b" << kFolder << IDC_FILENAME;
  }

  void ChecksInOrder() {
    QFETCH(QString, path);
    QFETCH(bool, protect);
    QFETCH(QString, password);
    QFETCH(QString, confirm);
    QFETCH(QString, message);
    QFETCH(int, focus);
    ScriptedPrompts prompts;
    CBackupDialog dialog;
    dialog.show();
    TypeInto(dialog, IDC_FILENAME, path);
    SetTicked(dialog, IDC_PROTECT, protect);
    TypeInto(dialog, IDC_PASSWORD, password);
    TypeInto(dialog, IDC_PASSWORD_CONFIRM, confirm);
    Press(dialog, IDOK);

    if (message.isEmpty()) {
      QCOMPARE(dialog.result(), int(QDialog::Accepted));
      QVERIFY(prompts.boxes.empty());
      QCOMPARE(dialog.m_strFileName, path);  // blanks and all
      QCOMPARE(dialog.m_bProtect, protect ? 1 : 0);
      QCOMPARE(dialog.m_strPassword, password);
      return;
    }
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(prompts.boxes.size(), std::size_t{1});
    QCOMPARE(prompts.boxes[0].strText, message);
    QCOMPARE(prompts.boxes[0].strCaption, QStringLiteral("Error"));
    QCOMPARE(prompts.boxes[0].icon, BoxIcon::kError);
    QCOMPARE(prompts.boxes[0].pOwner, &dialog);
    QCOMPARE(dialog.focusWidget(), DialogItem(dialog, focus));
    // The user's input stays for correcting.
    QCOMPARE(DialogItemAs<QLineEdit>(dialog, IDC_PASSWORD)->text(), password);
  }

  void EnterPressesOk() {
    ScriptedPrompts prompts;
    CBackupDialog dialog;
    dialog.show();
    QTest::keyClick(DialogItem(dialog, IDC_FILENAME), Qt::Key_Return);
    QCOMPARE(prompts.boxes.size(), std::size_t{1});
    QCOMPARE(prompts.boxes[0].strText, kNoName);
    QTest::keyClick(DialogItem(dialog, IDC_FILENAME), Qt::Key_Escape);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!dialog.isVisible());
  }

  void ProtectEnablesPasswordsWithoutClearingThem() {
    CBackupDialog dialog;
    const int passwordControls[] = {IDC_PASSWORD_LABEL, IDC_PASSWORD, IDC_PASSWORD_CONFIRM};
    for (int nId : passwordControls) QVERIFY(!Enabled(dialog, nId));
    QVERIFY(Enabled(dialog, IDC_FILENAME) && Enabled(dialog, IDC_COMPRESS));

    SetTicked(dialog, IDC_PROTECT, true);
    for (int nId : passwordControls) QVERIFY(Enabled(dialog, nId));
    TypeInto(dialog, IDC_PASSWORD, QStringLiteral("secret1"));
    TypeInto(dialog, IDC_PASSWORD_CONFIRM, QStringLiteral("secret2"));

    SetTicked(dialog, IDC_PROTECT, false);
    for (int nId : passwordControls) QVERIFY(!Enabled(dialog, nId));
    QCOMPARE(DialogItemAs<QLineEdit>(dialog, IDC_PASSWORD)->text(), QStringLiteral("secret1"));
    QCOMPARE(DialogItemAs<QLineEdit>(dialog, IDC_PASSWORD_CONFIRM)->text(), QStringLiteral("secret2"));

    // The space bar on the box works as a click does.
    DialogItem(dialog, IDC_PROTECT)->setFocus();
    QTest::keyClick(DialogItem(dialog, IDC_PROTECT), Qt::Key_Space);
    for (int nId : passwordControls) QVERIFY(Enabled(dialog, nId));
  }

  void BrowseAsksWhereToSave() {
    ScriptedPrompts prompts;
    CBackupDialog dialog;
    TypeInto(dialog, IDC_FILENAME, QStringLiteral("typed.qvl"));
    Press(dialog, IDC_BROWSE);  // cancelled
    QCOMPARE(DialogItemAs<QLineEdit>(dialog, IDC_FILENAME)->text(), QStringLiteral("typed.qvl"));
    prompts.fileAnswers.push_back(QStringLiteral("/tmp/chosen.qvl"));
    Press(dialog, IDC_BROWSE);
    QCOMPARE(DialogItemAs<QLineEdit>(dialog, IDC_FILENAME)->text(), QStringLiteral("/tmp/chosen.qvl"));
    QCOMPARE(prompts.fileDialogs.size(), std::size_t{2});
    QCOMPARE(prompts.fileDialogs[0].first, QStringLiteral("Quorvel(*.qvl)"));
    QCOMPARE(prompts.fileDialogs[0].second, QStringLiteral("qvl"));
  }

  void LooksAsItsTemplateSays() {
    CBackupDialog dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Backup"));
    QVERIFY(DialogItemAs<QPushButton>(dialog, IDOK)->isDefault());
    QVERIFY(!DialogItemAs<QPushButton>(dialog, IDCANCEL)->isDefault());
    for (int nId : {IDC_PASSWORD, IDC_PASSWORD_CONFIRM}) {
      QCOMPARE(DialogItemAs<QLineEdit>(dialog, nId)->echoMode(), QLineEdit::Password);
    }

    // Tab walks the controls in template order, from the path box.
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(QApplication::focusWidget(), DialogItem(dialog, IDC_FILENAME));
    SetTicked(dialog, IDC_PROTECT, true);
    const int order[] = {IDC_BROWSE, IDC_COMPRESS, IDC_PROTECT, IDC_PASSWORD,
                         IDC_PASSWORD_CONFIRM, IDOK, IDCANCEL, IDC_FILENAME};
    for (int nId : order) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), DialogItem(dialog, nId));
    }
  }

  void PasswordDialogTakesAnyText_data() {
    QTest::addColumn<QString>("typed");
    QTest::newRow("empty") << "";
    QTest::newRow("short") << "a";
    QTest::newRow("blanks") << "  pass word  ";
  }

  void PasswordDialogTakesAnyText() {
    QFETCH(QString, typed);
    ScriptedPrompts prompts;
    CEnterPasswordDialog dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Enter password"));
    QCOMPARE(DialogItemAs<QLineEdit>(dialog, IDC_PASSWORD)->echoMode(), QLineEdit::Password);
    TypeInto(dialog, IDC_PASSWORD, typed);
    Press(dialog, IDOK);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.m_strPassword, typed);
    QVERIFY(prompts.boxes.empty());
  }

  void WebsiteButtonsOpenThePageAndStay() {
    for (const auto& pDialog : EveryDialog()) {
      QPushButton* pWebsite = DialogItemAs<QPushButton>(*pDialog, IDC_WEBSITE);
      if (!pWebsite) continue;
      ScriptedPrompts prompts;
      pDialog->show();
      pWebsite->click();
      QVERIFY(pDialog->isVisible());
      QCOMPARE(prompts.openedUrls.size(), std::size_t{1});
      QCOMPARE(prompts.openedUrls[0], WebsiteUrl());
    }
    // No home page yet: the manual stands in for it.
    QCOMPARE(WebsiteUrl(), ManualUrl());
    QVERIFY(ManualUrl().isLocalFile());
  }

  void EveryControlHasAnAccessibleName() {
    for (const auto& pDialog : EveryDialog()) {
      QVERIFY(!AccessibleName(pDialog.get()).isEmpty());
      for (QWidget* pControl : pDialog->findChildren<QWidget*>()) {
        if (!pControl->property(kControlIdProperty).isValid()) continue;
        QVERIFY2(!AccessibleName(pControl).isEmpty(),
                 qPrintable(pDialog->windowTitle() + ": " + pControl->metaObject()->className()));
      }
    }
    // Boxes are named by the label before them.
    CBackupDialog backup;
    QCOMPARE(AccessibleName(DialogItem(backup, IDC_FILENAME)), QStringLiteral("Output archive filename:"));
    QCOMPARE(AccessibleName(DialogItem(backup, IDC_PASSWORD)), QStringLiteral("Please enter your password:"));
    QCOMPARE(AccessibleName(DialogItem(backup, IDOK)), QStringLiteral("OK"));
  }

  void TextsFitTheirControls() {
    for (const auto& pDialog : EveryDialog()) {
      for (QWidget* pControl : pDialog->findChildren<QWidget*>()) {
        if (!pControl->property(kControlIdProperty).isValid()) continue;
        QString text;
        if (auto* pLabel = qobject_cast<QLabel*>(pControl)) text = pLabel->text();
        if (auto* pButton = qobject_cast<QAbstractButton*>(pControl)) text = pButton->text().remove(u'&');
        int needed = QFontMetrics(pControl->font()).horizontalAdvance(text);
        if (qobject_cast<QCheckBox*>(pControl)) needed = pControl->sizeHint().width();  // with its box
        QVERIFY2(needed <= pControl->width(), qPrintable(pDialog->windowTitle() + ": " + text));
      }
    }
  }

  void ErrorBoxHasPlainButtonsAndDetails() {
    const QString previousStyle = QApplication::style()->name();
    QApplication::setStyle(new ButtonIconsStyle);
    QString details;
    QStringList buttonsWithIcons;
    QTimer::singleShot(0, [&] {
      QTRY_VERIFY(BoxUp() != nullptr);
      details = BoxUp()->detailedText();
      for (QAbstractButton* pButton : BoxUp()->buttons()) {
        if (!pButton->icon().isNull()) buttonsWithIcons << pButton->text();
      }
      BoxUp()->accept();
    });
    ShowError(nullptr, QStringLiteral("Short."), QStringLiteral("Error"), QStringLiteral("a.url: why\n"));
    QApplication::setStyle(previousStyle);
    QCOMPARE(details, QStringLiteral("a.url: why\n"));
    QVERIFY2(buttonsWithIcons.isEmpty(), qPrintable(buttonsWithIcons.join(u'|')));
  }

  // A question taken down answers No and is gone; one for another window stays.
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
    QVERIFY(!Prompts().MessageBox(
        {&owner, QStringLiteral("Stop it?"), QStringLiteral("Quorvel"), BoxIcon::kQuestion, BoxButtons::kYesNo}));
    QVERIFY(bOtherStayed);
    QVERIFY(BoxUp() == nullptr);
  }
};

std::unique_ptr<QObject> MakeDialogsTest() { return std::make_unique<DialogsTest>(); }

}  // namespace qv::app::test

#include "dialogs_test.moc"
