// The password, splash and about dialogs, and what every dialog offers a screen
// reader and a larger font.
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/dialogs/about_dlg.h"
#include "app/dialogs/backup_dialog.h"
#include "app/dialogs/dialog_builder.h"
#include "app/dialogs/enter_password_dialog.h"
#include "app/dialogs/splash_dialog.h"
#include "app/help_pages.h"
#include "app/resources/dialog_template.h"
#include "app/resources/resource_ids.h"
#include "tests/app/suites.h"
#include "tests/app/support/scripted_prompts.h"

namespace qv::app::test {
namespace {

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

}  // namespace

class OtherDialogsTest : public QObject {
  Q_OBJECT

 private slots:
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

  void AboutBoxTitleIsLargeAndBold() {
    CAboutDlg about;
    QCOMPARE(about.windowTitle(), QStringLiteral("About Quorvel"));
    auto* pTitle = DialogItemAs<QLabel>(about, IDC_TITLE);
    QCOMPARE(pTitle->text(), QStringLiteral("Quorvel"));
    QVERIFY(pTitle->font().bold());
    const int cell = QFontMetrics(pTitle->font()).height();
    QVERIFY2(cell >= 16 && cell <= 19, qPrintable(QString::number(cell)));
    QVERIFY(QFontMetrics(pTitle->font()).horizontalAdvance(pTitle->text()) <= pTitle->width());
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

  void LayoutScalesWithTheFont() {
    QDialog normal;
    BuildDialog(normal, BackupDialogTemplate());
    DialogTemplate larger = BackupDialogTemplate();
    larger.nPointSize *= 2;
    QDialog scaled;
    BuildDialog(scaled, larger);
    for (int nId : {IDC_FILENAME, IDC_BROWSE, IDC_PROTECT, IDC_PASSWORD_CONFIRM, IDOK}) {
      const QRect a = DialogItem(normal, nId)->geometry();
      const QRect b = DialogItem(scaled, nId)->geometry();
      QVERIFY2(b.width() > a.width() * 3 / 2 && b.height() > a.height() * 3 / 2, qPrintable(QString::number(nId)));
    }
    QVERIFY(scaled.width() > normal.width() * 3 / 2);
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
};

std::unique_ptr<QObject> MakeOtherDialogsTest() { return std::make_unique<OtherDialogsTest>(); }

}  // namespace qv::app::test

#include "other_dialogs_test.moc"
