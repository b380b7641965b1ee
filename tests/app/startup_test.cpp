// The start: the welcome dialog once, then the window, the association and the
// restore of an archive named on the command line, through the same checks,
// dialogs and messages as the Restore command; and the About box.
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFontInfo>
#include <QLabel>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>

#include "app/dialogs/dialog_builder.h"
#include "app/main_frame.h"
#include "app/quorvel_app.h"
#include "app/resources/resource_ids.h"
#include "app/startup/command_line.h"
#include "jobs/archive_check.h"
#include "tests/app/suites.h"
#include "tests/app/support/scripted_prompts.h"
#include "tests/support/archive_builder.h"
#include "tests/support/restore_fixture.h"
#include "tests/support/temp_dir.h"

namespace qv::app::test {
namespace {

using qv::test::ArchiveBuilder;
using qv::test::RestoreFixture;

constexpr char16_t kFavorites[] = u"%USERPROFILE%\\Favorites";
const QString kPassword = QStringLiteral("open-sesame");

// The close box or Escape: the splash has no Cancel button.
int CloseBox(QDialog& dialog) {
  dialog.reject();
  return dialog.result();
}

QString Native(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

bool NoMainWindowYet() {
  for (QWidget* pWidget : QApplication::topLevelWidgets()) {
    if (qobject_cast<CMainFrame*>(pWidget)) return false;
  }
  return true;
}

bool JobEnds(CMainFrame& frame) {
  QSignalSpy ended(&frame, &CMainFrame::JobEnded);
  return !frame.IsJobRunning() || ended.wait(60000);
}

// A start in a data folder of its own; waits for the desktop's caches before
// the folder goes.
class TestStart {
 public:
  TestStart() : m_previous(qgetenv("XDG_DATA_HOME")) {
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(m_dataHome.path().string()));
  }
  ~TestStart() {
    m_app.WaitForDesktopRefresh();
    qputenv("XDG_DATA_HOME", m_previous);
  }
  CQuorvelApp& App() { return m_app; }
  CMainFrame& Frame() { return *m_app.MainWindow(); }

 private:
  qv::test::TempDir m_dataHome;
  QByteArray m_previous;
  CQuorvelApp m_app;
};

}  // namespace

class StartupTest : public QObject {
  Q_OBJECT

 private slots:
  void ArchiveIsTheFirstArgumentThatIsNoSwitch_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("archive");
    QTest::newRow("none") << QStringList{"quorvel"} << "";
    QTest::newRow("one") << QStringList{"quorvel", "backup.qvl"} << "backup.qvl";
    QTest::newRow("absolute, as a file manager gives it")
        << QStringList{"quorvel", "/home/ann/backup.qvl"} << "/home/ann/backup.qvl";
    QTest::newRow("blanks, quoted by the caller") << QStringList{"quorvel", "/home/ann/my backups/a b.qvl"}
                                                  << "/home/ann/my backups/a b.qvl";
    QTest::newRow("switches ignored") << QStringList{"quorvel", "--profile=/p", "-x", "--y", "a.qvl", "b.qvl"}
                                      << "a.qvl";
    QTest::newRow("the program's own name is none") << QStringList{"/usr/bin/quorvel", "-x"} << "";
    QTest::newRow("an empty argument names nothing") << QStringList{"quorvel", "", "a.qvl"} << "a.qvl";
  }

  void ArchiveIsTheFirstArgumentThatIsNoSwitch() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, archive);
    QCOMPARE(ArchiveArgument(arguments), archive);
  }

  void CommandLineOptions_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QString>("archive");
    QTest::addColumn<QString>("error");  // empty: the line is taken
    QTest::newRow("--profile=DIR") << QStringList{"q", "--profile=/p d", "a.qvl"} << "/p d" << "a.qvl" << "";
    QTest::newRow("--profile DIR") << QStringList{"q", "--profile", "/p d", "a.qvl"} << "/p d" << "a.qvl" << "";
    QTest::newRow("Qt's options") << QStringList{"q", "-platform", "offscreen", "-reverse", "-style=fusion", "a.qvl"}
                                  << "" << "a.qvl" << "";
    QTest::newRow("mistyped --profile") << QStringList{"q", "--profil=/p", "a.qvl"} << "" << "a.qvl"
                                        << "unknown option --profil";
    QTest::newRow("no folder") << QStringList{"q", "--profile"} << "" << "" << "Missing value after '--profile'.";
  }

  void CommandLineOptions() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, profile);
    QFETCH(QString, archive);
    QFETCH(QString, error);
    const CommandLine line = ParseCommandLine(arguments);
    QCOMPARE(line.strProfile, profile);
    QCOMPARE(line.strArchive, archive);
    QCOMPARE(line.strError, error);
  }

  // Run as from a terminal with no display at all: help and a refused line are
  // answered before Qt would need one.
  void AnswersWithoutADisplay_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");  // how it begins
    QTest::newRow("--help") << QStringList{"-x", "--help"} << 0 << "Usage: quorvel [--profile=DIR] [ARCHIVE]\n";
    QTest::newRow("mistyped --profile") << QStringList{"--profil=/p", "a.qvl"} << 2
                                        << "quorvel: unknown option --profil\n";
    QTest::newRow("missing profile") << QStringList{"--profile=/nonexistent/alice", "a.qvl"} << 1
                                     << "quorvel: the profile folder /nonexistent/alice does not exist\n";
  }

  void AnswersWithoutADisplay() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QProcess window;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* strName : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) environment.remove(strName);
    window.setProcessEnvironment(environment);
    window.setProcessChannelMode(QProcess::MergedChannels);
    window.start(QStringLiteral(QUORVEL_WINDOW_BINARY), arguments);
    QVERIFY(window.waitForFinished(30000));
    QCOMPARE(window.exitStatus(), QProcess::NormalExit);
    QCOMPARE(window.exitCode(), exitCode);
    QVERIFY(QString::fromLocal8Bit(window.readAll()).startsWith(output));
  }

  // Each start: the welcome dialog once, before the window exists, whatever closed
  // it; then the window, shown; then what the archive asks for. The window stays
  // open and idle afterwards.
  void StartsInOrder_data() {
    QTest::addColumn<QString>("archive");  // "none", "plain", "protected", "missing", "bad"
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<int>("password");  // 0 not asked, 1 right one typed, 2 cancelled
    QTest::addColumn<QStringList>("extra");  // arguments before the archive
    QTest::addColumn<QString>("box");
    QTest::addColumn<bool>("restored");
    const QString cannotOpen = QString::fromUtf8(ArchiveCheckMessage(ArchiveCheckResult::kCannotOpen));
    const QString incorrect = QString::fromUtf8(ArchiveCheckMessage(ArchiveCheckResult::kIncorrect));
    const QString success = QStringLiteral("Process successfully!");
    QTest::newRow("no archive") << "none" << "" << 0 << QStringList() << "" << false;
    QTest::newRow("archive") << "plain" << "a.qvl" << 0 << QStringList() << success << true;
    QTest::newRow("protected archive") << "protected" << "a.qvl" << 1 << QStringList() << success << true;
    QTest::newRow("password cancelled") << "protected" << "a.qvl" << 2 << QStringList() << "" << false;
    QTest::newRow("blanks in the path") << "plain" << "my backups/a b.qvl" << 0 << QStringList() << success << true;
    QTest::newRow("switches first") << "plain" << "a.qvl" << 0 << QStringList{"--profile=ignored-here", "-x"}
                                    << success << true;
    QTest::newRow("missing file") << "missing" << "a.qvl" << 0 << QStringList() << cannotOpen << false;
    QTest::newRow("not an archive") << "bad" << "a.qvl" << 0 << QStringList() << incorrect << false;
  }

  void StartsInOrder() {
    QFETCH(QString, archive);
    QFETCH(QString, fileName);
    QFETCH(int, password);
    QFETCH(QStringList, extra);
    QFETCH(QString, box);
    QFETCH(bool, restored);
    RestoreFixture target;
    const std::filesystem::path path = target.Profile().Scratch(fileName.toStdString());
    const bool bProtected = archive == "protected";
    if (archive == "plain" || bProtected) {
      const std::u16string key = bProtected ? kPassword.toStdU16String() : u"";
      ArchiveBuilder().Header(bProtected, key).File(kFavorites, u"a.url", "data", {false, bProtected, key}).WriteTo(path);
    } else if (archive == "bad") {
      qv::test::WriteFileBytes(path, "QVL but no header");
    }

    ScriptedPrompts prompts;
    bool bSplashFirst = false;
    // The splash is cancelled (its close box): the start goes on all the same.
    prompts.dialogAnswers.push_back([&](QDialog& dialog) {
      bSplashFirst = NoMainWindowYet();
      return CloseBox(dialog);
    });
    if (password == 1) prompts.dialogAnswers.push_back(FillAndOk({{IDC_PASSWORD, kPassword}}));
    if (password == 2) prompts.dialogAnswers.push_back(Cancel());
    QStringList arguments{QStringLiteral("/usr/bin/quorvel")};
    arguments << extra;
    if (archive != "none") arguments << Native(path);

    TestStart start;
    start.App().InitInstance(arguments);
    CMainFrame& frame = start.Frame();
    QVERIFY(bSplashFirst);
    QVERIFY(frame.isVisible());
    QVERIFY(JobEnds(frame));

    std::vector<QString> dialogs{QStringLiteral("qv::app::CSplashDialog")};
    if (password != 0) dialogs.push_back(QStringLiteral("qv::app::CEnterPasswordDialog"));
    QCOMPARE(prompts.dialogsRun, dialogs);
    if (box.isEmpty()) {
      QVERIFY(prompts.boxes.empty());
    } else {
      QCOMPARE(prompts.boxes.size(), std::size_t{1});
      QCOMPARE(prompts.boxes[0].strText, box);
      QCOMPARE(prompts.boxes[0].pOwner, &frame);
    }
    QCOMPARE(target.Favorite("a.url"), std::string(restored ? "data" : ""));
    QVERIFY(frame.isVisible());
    QVERIFY(!frame.IsJobRunning());
    QVERIFY(frame.CommandAction(ID_FILE_RESTORE)->isEnabled());
    QVERIFY(std::filesystem::exists(target.Profile().Scratch("classes.dat")));
  }

  void AboutShowsNameCopyrightAndTitleFont() {
    qv::test::ProfileFixture profile;
    ScriptedPrompts prompts;
    prompts.dialogAnswers.push_back(CloseBox);  // the splash
    QString caption;
    QStringList texts;
    QFont title;
    QFont copyright;
    prompts.dialogAnswers.push_back([&](QDialog& dialog) {
      caption = dialog.windowTitle();
      for (QLabel* pLabel : dialog.findChildren<QLabel*>()) texts << pLabel->text();
      title = DialogItem(dialog, IDC_TITLE)->font();
      for (QLabel* pLabel : dialog.findChildren<QLabel*>()) {
        if (pLabel->text().startsWith(QStringLiteral("Copyright"))) copyright = pLabel->font();
      }
      Press(dialog, IDOK);
      return dialog.result();
    });
    TestStart start;
    start.App().InitInstance({QStringLiteral("quorvel")});
    start.Frame().CommandAction(ID_APP_ABOUT)->trigger();

    QCOMPARE(prompts.dialogsRun,
             std::vector<QString>({QStringLiteral("qv::app::CSplashDialog"), QStringLiteral("qv::app::CAboutDlg")}));
    QCOMPARE(caption, QStringLiteral("About Quorvel"));
    QVERIFY(texts.contains(QStringLiteral("Quorvel")));
    QVERIFY(texts.contains(QStringLiteral("Copyright \u00a9 2026 The Quorvel developers")));
    // Bold and 19 pixels from the top of its tallest letter to the bottom of its
    // lowest, where the dialog's own font is neither.
    QVERIFY(QFontInfo(title).bold());
    QVERIFY(!QFontInfo(copyright).bold());
    QVERIFY(QFontMetrics(title).height() <= 19);
    QVERIFY(QFontMetrics(title).height() >= 16);
    QVERIFY(QFontMetrics(title).height() > QFontMetrics(copyright).height());
  }
};

std::unique_ptr<QObject> MakeStartupTest() { return std::make_unique<StartupTest>(); }

}  // namespace qv::app::test

#include "startup_test.moc"
