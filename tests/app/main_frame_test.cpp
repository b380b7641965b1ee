// The main window: its rows and their sizes, its commands as menus, keys and
// toolbar show them, and the progress bar's rules and place.
#include <QAccessible>
#include <QAction>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QWhatsThis>
#include <filesystem>

#include "app/child_view.h"
#include "app/help_pages.h"
#include "app/main_frame.h"
#include "app/resources/resource_ids.h"
#include "app/workers/window_message_port.h"
#include "tests/app/suites.h"
#include "tests/app/support/scripted_prompts.h"
#include "tests/support/profile_fixture.h"

namespace qv::app::test {
namespace {

using Posts = QList<QPair<quint64, qint64>>;

QStringList RowTexts(const CMainFrame& frame, int column) {
  QStringList texts;
  QTreeWidget* pList = frame.View()->List();
  for (int i = 0; i < pList->topLevelItemCount(); ++i) texts << pList->topLevelItem(i)->text(column);
  return texts;
}

QStringList MenuTexts(const CMainFrame& frame) {
  QStringList texts;
  for (QAction* pMenu : frame.menuBar()->actions()) {
    texts << pMenu->text();
    for (QAction* pItem : pMenu->menu()->actions()) {
      texts << (pItem->isSeparator() ? QStringLiteral("-")
                                     : pItem->text() + "|" + pItem->shortcut().toString() + "|" +
                                           QString::number(pItem->property("commandId").toInt()));
    }
  }
  return texts;
}

// What a screen reader finds in the status bar: the name of each of its parts.
QStringList StatusBarNames(const CMainFrame& frame) {
  QStringList names;
  QAccessibleInterface* pBar = QAccessible::queryAccessibleInterface(frame.statusBar());
  for (int i = 0; pBar && i < pBar->childCount(); ++i) names << pBar->child(i)->text(QAccessible::Name);
  return names;
}

}  // namespace

class MainFrameTest : public QObject {
  Q_OBJECT

 private slots:
  void RowsShowSizesInWholeKilobytes_data() {
    QTest::addColumn<qulonglong>("bytes");
    QTest::addColumn<QString>("shown");
    QTest::newRow("empty") << 0ull << "0 KB";
    QTest::newRow("1023 bytes") << 1023ull << "0 KB";
    QTest::newRow("1024 bytes") << 1024ull << "1 KB";
    QTest::newRow("2047 bytes") << 2047ull << "1 KB";
    QTest::newRow("3 TiB, not cut to 32 bits") << (3ull << 40) << "3221225472 KB";
  }

  void RowsShowSizesInWholeKilobytes() {
    QFETCH(qulonglong, bytes);
    QFETCH(QString, shown);
    qv::test::ProfileFixture profile;
    if (bytes > 0) {
      const auto file = profile.FavoritesDir() / "Links" / "data.url";
      profile.AddFavorite("Links/data.url", "");
      std::error_code error;
      std::filesystem::resize_file(file, bytes, error);  // sparse: no disk is used
      if (error) QSKIP("the file system cannot hold a file this large");
    }
    ScriptedPrompts prompts;
    CMainFrame frame;
    QCOMPARE(RowTexts(frame, 0), QStringList({"Favorites", "IE Settings"}));
    QCOMPARE(RowTexts(frame, 1), QStringList({shown, "0 KB"}));
    QTreeWidget* pList = frame.View()->List();
    QVERIFY(!pList->topLevelItem(0)->icon(0).isNull() && !pList->topLevelItem(1)->icon(0).isNull());
    QCOMPARE(pList->headerItem()->text(0), QStringLiteral("Item Name"));
    QCOMPARE(pList->headerItem()->text(1), QStringLiteral("Size"));
    QCOMPARE(pList->columnWidth(0), 300);
    QCOMPARE(pList->columnWidth(1), 70);
  }

  void MenusAndKeys() {
    qv::test::ProfileFixture profile;
    ScriptedPrompts prompts;
    CMainFrame frame;
    QCOMPARE(MenuTexts(frame), QStringList({
        "&File", "&Backup|Ctrl+B|32771", "&Restore|Ctrl+R|32772", "-", "E&xit||57665",
        "&Help", "&Help Topics||57667", "-", "&About ...||57664"}));
    QCOMPARE(frame.CommandAction(ID_HELP)->shortcut(), QKeySequence(Qt::Key_F1));
    QCOMPARE(frame.CommandAction(ID_CONTEXT_HELP)->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F1));

    frame.show();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    QTest::keyClick(&frame, Qt::Key_F1);
    frame.CommandAction(ID_HELP_FINDER)->trigger();
    QCOMPARE(prompts.openedUrls, std::vector<QUrl>({ManualUrl(), ManualUrl()}));
    QTest::keyClick(&frame, Qt::Key_F1, Qt::ShiftModifier);
    QVERIFY(QWhatsThis::inWhatsThisMode());
    QWhatsThis::leaveWhatsThisMode();
    frame.CommandAction(ID_APP_ABOUT)->trigger();
    QCOMPARE(prompts.dialogsRun, std::vector<QString>({"qv::app::CAboutDlg"}));
    QTest::keyClick(&frame, Qt::Key_B, Qt::ControlModifier);  // cancelled by the test's prompts
    QCOMPARE(prompts.dialogsRun.back(), QStringLiteral("qv::app::CBackupDialog"));
    QTest::keyClick(&frame, Qt::Key_R, Qt::ControlModifier);
    QCOMPARE(prompts.fileDialogs.back().first, QStringLiteral("Quorvel archive(*.qvl)"));
    QVERIFY(prompts.boxes.empty());
  }

  void ToolBarTextsTipsAndPrompts_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("textShown");
    QTest::addColumn<QString>("tip");
    QTest::addColumn<QString>("prompt");
    QTest::newRow("Backup") << ID_FILE_BACKUP << "Backup" << true << "Backup" << "Backup selected item(s)";
    QTest::newRow("Restore") << ID_FILE_RESTORE << "Restore" << true << "Restore" << "Restore from backup archive";
    QTest::newRow("Help") << ID_HELP_FINDER << "Help" << false << "Help Topics" << "List Help topics";
  }

  void ToolBarTextsTipsAndPrompts() {
    QFETCH(int, command);
    QFETCH(QString, text);
    QFETCH(bool, textShown);
    QFETCH(QString, tip);
    QFETCH(QString, prompt);
    qv::test::ProfileFixture profile;
    ScriptedPrompts prompts;
    CMainFrame frame;
    frame.show();
    auto* pToolBar = frame.findChild<QToolBar*>();
    QAction* pAction = frame.CommandAction(command);
    QVERIFY(pToolBar->actions().contains(pAction));
    auto* pButton = qobject_cast<QToolButton*>(pToolBar->widgetForAction(pAction));
    QCOMPARE(pButton->text(), text);
    QCOMPARE(pButton->toolButtonStyle(), textShown ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonIconOnly);
    QVERIFY(!pButton->icon().isNull());
    QCOMPARE(pAction->toolTip(), tip);
    pAction->showStatusText(pButton);  // what pointing at the button does
    QCOMPARE(frame.statusBar()->currentMessage(), prompt);
  }

  // The prompts are not only painted: a part of the status bar is named by the
  // message shown, as it changes.
  void StatusPromptsReachScreenReaders() {
    qv::test::ProfileFixture profile;
    ScriptedPrompts prompts;
    CMainFrame frame;
    frame.show();
    auto* pToolBar = frame.findChild<QToolBar*>();
    for (int command : {ID_FILE_BACKUP, ID_FILE_RESTORE, ID_HELP_FINDER}) {
      QAction* pAction = frame.CommandAction(command);
      pAction->showStatusText(pToolBar->widgetForAction(pAction));
      const QStringList names = StatusBarNames(frame);
      QVERIFY2(names.contains(pAction->statusTip()), qPrintable(names.join(u'|')));
    }
    frame.statusBar()->clearMessage();
    QVERIFY(!StatusBarNames(frame).contains(QStringLiteral("List Help topics")));
  }

  void StartsCentredAndTitled() {
    qv::test::ProfileFixture profile;
    ScriptedPrompts prompts;
    CMainFrame frame;
    QCOMPARE(frame.windowTitle(), QStringLiteral("Quorvel"));
    QCOMPARE(frame.size(), QSize(400, 400));
    QCOMPARE(frame.geometry().center(), QGuiApplication::primaryScreen()->availableGeometry().center());
    QVERIFY(!frame.ProgressBar()->isVisible());
  }

  void ProgressBarStaysAtTheRightOfTheStatusBar() {
    qv::test::ProfileFixture profile;
    ScriptedPrompts prompts;
    CMainFrame frame;
    frame.show();
    for (const QSize size : {QSize(400, 400), QSize(700, 300), QSize(320, 500)}) {
      frame.resize(size);
      QStatusBar* pBar = frame.statusBar();
      QTRY_COMPARE(pBar->width(), frame.width());
      QCOMPARE(frame.ProgressBar()->parentWidget(), pBar);
      QCOMPARE(frame.ProgressBar()->geometry(), QRect(pBar->width() - 230, 2, 200, pBar->height() - 4));
    }
  }

  void ProgressFollowsNonZeroPosts_data() {
    QTest::addColumn<Posts>("posts");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("maximum");
    QTest::newRow("range then nothing") << Posts{{0, 100}, {0, 0}} << 0 << 100;
    QTest::newRow("zero keeps the position") << Posts{{0, 100}, {40, 0}, {0, 0}, {0, 100}} << 40 << 100;
    QTest::newRow("second item starts lower") << Posts{{90, 0}, {0, 100}, {0, 0}, {10, 0}} << 10 << 100;
    QTest::newRow("past the range shows full") << Posts{{150, 0}} << 100 << 100;
    QTest::newRow("position before range") << Posts{{30, 50}} << 30 << 50;
    QTest::newRow("huge values") << Posts{{~0ull, 0}, {0, INT64_MAX}} << 100 << INT32_MAX;
  }

  void ProgressFollowsNonZeroPosts() {
    QFETCH(Posts, posts);
    QFETCH(int, value);
    QFETCH(int, maximum);
    qv::test::ProfileFixture profile;
    ScriptedPrompts prompts;
    CMainFrame frame;
    for (const auto& [wParam, lParam] : posts) {
      JobMessageEvent message(WM_JOB_PROGRESS, wParam, lParam);
      QCoreApplication::sendEvent(&frame, &message);
    }
    QCOMPARE(frame.ProgressBar()->value(), value);
    QCOMPARE(frame.ProgressBar()->minimum(), 0);
    QCOMPARE(frame.ProgressBar()->maximum(), maximum);
  }
};

std::unique_ptr<QObject> MakeMainFrameTest() { return std::make_unique<MainFrameTest>(); }

}  // namespace qv::app::test

#include "main_frame_test.moc"
