// Whole jobs through the window, with the dialogs and boxes answered by the test:
// what reaches the profile, what the user is told, and that closing the window
// during a job leaves neither a thread nor a half-written archive behind.
#include <QAction>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>

#include "app/child_view.h"
#include "app/main_frame.h"
#include "app/resources/resource_ids.h"
#include "jobs/archive_check.h"
#include "tests/app/suites.h"
#include "tests/app/support/scripted_prompts.h"
#include "tests/support/archive_builder.h"
#include "tests/support/fault_injecting_platform.h"
#include "tests/support/restore_fixture.h"
#include "tests/support/run_tool.h"
#include "tests/support/temp_dir.h"

namespace qv::app::test {
namespace {

using qv::test::ArchiveBuilder;
using qv::test::Bytes;
using qv::test::RestoreFixture;
using qv::test::SnapshotFiles;
using qv::test::Utf16Bytes;

constexpr char16_t kMain[] = u"Software\\Microsoft\\Internet Explorer\\Main";
constexpr char16_t kFavorites[] = u"%USERPROFILE%\\Favorites";
const QString kSuccess = QStringLiteral("Process successfully!");
const QString kPassword = QStringLiteral("s\u00e9cret-6");

QString Native(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

QStringList Sizes(const CMainFrame& frame) {
  QStringList sizes;
  for (int i = 0; i < frame.View()->List()->topLevelItemCount(); ++i) {
    sizes << frame.View()->List()->topLevelItem(i)->text(1);
  }
  return sizes;
}

// Waits for the job that the last command started, if it started one.
bool JobEnds(CMainFrame& frame) {
  QSignalSpy ended(&frame, &CMainFrame::JobEnded);
  return !frame.IsJobRunning() || ended.wait(60000);
}

bool CommandsEnabled(const CMainFrame& frame) {
  return frame.CommandAction(ID_FILE_BACKUP)->isEnabled() && frame.CommandAction(ID_FILE_RESTORE)->isEnabled();
}

void FillSource(qv::test::ProfileFixture& profile) {
  profile.AddFavorite("Links/a.url", "[InternetShortcut]\r\nURL=http://example.org/\r\n");
  profile.AddFavorite("Caf\xc3\xa9/b.url", "b");
  profile.AddFavorite("big.bin", Bytes(250000, 7));
  profile.SetValue(kMain, u"Start Page", kRegSz, Utf16Bytes(u"http://example.org/") + std::string(2, '\0'));
  profile.SetValue(kMain, u"Huge", kRegBinary, Bytes(150000, 9));
}

bool AddHugeFavorite(qv::test::ProfileFixture& profile) {
  profile.AddFavorite("huge.bin", "");
  std::error_code error;
  std::filesystem::resize_file(profile.FavoritesDir() / "huge.bin", 3ull << 40, error);
  return !error;
}

bool HasTemporaryFiles(const std::filesystem::path& folder) {
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().filename().string().rfind(".quorvel-", 0) == 0) return true;
  }
  return false;
}

}  // namespace

class JobsTest : public QObject {
  Q_OBJECT

 private slots:
  // An archive made by the window or by qvl (strongly protected too) restores
  // through the window into an empty profile; the window's one is read back by qvl.
  void BackupThenRestoreIntoAnotherProfile_data() {
    QTest::addColumn<bool>("byWindow");
    QTest::addColumn<bool>("strong");
    QTest::newRow("made by the window") << true << false;
    QTest::newRow("made by qvl") << false << false;
    QTest::newRow("made by qvl --strong") << false << true;
  }

  void BackupThenRestoreIntoAnotherProfile() {
    QFETCH(bool, byWindow);
    QFETCH(bool, strong);
    RestoreFixture source;
    FillSource(source.Profile());
    const std::filesystem::path archive = source.Profile().Scratch("my archive.qvl");
    const std::string profileOption = " --profile='" + source.Profile().ProfileDir().string() + "'";
    QStringList sourceSizes;
    {
      ScriptedPrompts prompts;
      CMainFrame frame;
      sourceSizes = Sizes(frame);
      if (!byWindow) {
        const std::string qvl = std::string(QUORVEL_QVL_BINARY) + " backup '" + archive.string() + "'";
        const std::string password = strong ? "QVL_PASSWORD='" + kPassword.toStdString() + "' " : "";
        QCOMPARE(qv::test::RunTool(password + qvl + " --compress" + (strong ? " --strong" : "") + profileOption).exitCode,
                 0);
      } else {
        prompts.dialogAnswers.push_back(FillAndOk({{IDC_FILENAME, Native(archive)}, {IDC_COMPRESS, {}},
                                                   {IDC_PROTECT, {}}, {IDC_PASSWORD, kPassword},
                                                   {IDC_PASSWORD_CONFIRM, kPassword}}));
        bool barShownUnderBox = false;
        prompts.whileBoxUp = [&](const ShownBox&) { barShownUnderBox = !frame.ProgressBar()->isHidden(); };
        frame.OnBackup();
        QVERIFY(!frame.ProgressBar()->isHidden());
        QVERIFY(!frame.CommandAction(ID_FILE_BACKUP)->isEnabled());
        QVERIFY(!frame.CommandAction(ID_FILE_RESTORE)->isEnabled());
        QVERIFY(JobEnds(frame));
        QCOMPARE(prompts.boxes.size(), std::size_t{1});
        QCOMPARE(prompts.boxes[0].strText, kSuccess);
        QCOMPARE(prompts.boxes[0].strCaption, QStringLiteral("Information"));
        QCOMPARE(prompts.boxes[0].icon, BoxIcon::kInformation);
        QVERIFY(barShownUnderBox);
        QVERIFY(frame.ProgressBar()->isHidden());
        QVERIFY(CommandsEnabled(frame));
        QCOMPARE(Sizes(frame), sourceSizes);  // a backup leaves the list alone
        // qvl reads every record of it back (exit 0: nothing damaged or left out).
        QCOMPARE(qv::test::RunTool("QVL_PASSWORD='" + kPassword.toStdString() + "' " + QUORVEL_QVL_BINARY +
                                   " restore --dry-run '" + archive.string() + "'" + profileOption).exitCode, 0);
      }
    }

    RestoreFixture target;
    ScriptedPrompts prompts;
    CMainFrame frame;
    QCOMPARE(Sizes(frame), QStringList({"0 KB", "0 KB"}));
    prompts.fileAnswers.push_back(Native(archive));
    if (byWindow || strong) prompts.dialogAnswers.push_back(FillAndOk({{IDC_PASSWORD, kPassword}}));
    // The list takes the new sizes while the completion box is still up.
    bool refreshedUnderBox = false;
    prompts.whileBoxUp = [&](const ShownBox&) {
      QTRY_COMPARE_WITH_TIMEOUT(Sizes(frame), sourceSizes, 60000);
      refreshedUnderBox = true;
    };
    frame.OnRestore();
    QVERIFY(JobEnds(frame));
    QCOMPARE(prompts.dialogsRun.size(), std::size_t(byWindow || strong ? 1 : 0));  // a password only if protected
    QCOMPARE(prompts.boxes.size(), std::size_t{1});
    QCOMPARE(prompts.boxes[0].strText, kSuccess);
    QVERIFY(refreshedUnderBox);
    QVERIFY(SnapshotFiles(target.Profile().FavoritesDir()) == SnapshotFiles(source.Profile().FavoritesDir()));
    QVERIFY(target.CommittedTree(qv::test::kIeKey) == source.CommittedTree(qv::test::kIeKey));
  }

  void RefusedRestoresTouchNothing_data() {
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("answer");  // 0: no password dialog expected, 1: wrong password, 2: cancel
    QTest::addColumn<QString>("text");  // empty: nothing is shown
    QTest::addColumn<QString>("caption");
    const auto bytes = [](const std::string& text) { return QByteArray(text.data(), qsizetype(text.size())); };
    const std::string good = ArchiveBuilder().Header().File(kFavorites, u"a.url", "data").Bytes();
    const std::string locked =
        ArchiveBuilder().Header(true, u"right-one").File(kFavorites, u"a.url", "data", {false, true, u"right-one"}).Bytes();
    std::string badMagic = good;
    badMagic[0] = 'X';
    std::string version2 = good;
    version2[4] = 2;
    const QString cannotOpen = QString::fromUtf8(ArchiveCheckMessage(ArchiveCheckResult::kCannotOpen));
    const QString incorrect = QString::fromUtf8(ArchiveCheckMessage(ArchiveCheckResult::kIncorrect));
    QCOMPARE(cannotOpen.back(), u'\n');
    QTest::newRow("missing file") << false << QByteArray() << 0 << cannotOpen << "Information";
    QTest::newRow("shorter than a header") << true << bytes(good.substr(0, 115)) << 0 << incorrect << "Error";
    QTest::newRow("bad magic") << true << bytes(badMagic) << 0 << incorrect << "Error";
    QTest::newRow("version 2") << true << bytes(version2) << 0 << incorrect << "Error";
    QTest::newRow("wrong password") << true << bytes(locked) << 1
                                    << "Wrong password! Please check it again!" << "Error";
    QTest::newRow("password dialog cancelled") << true << bytes(locked) << 2 << "" << "";
  }

  void RefusedRestoresTouchNothing() {
    QFETCH(bool, exists);
    QFETCH(QByteArray, bytes);
    QFETCH(int, answer);
    QFETCH(QString, text);
    QFETCH(QString, caption);
    RestoreFixture target;
    const std::filesystem::path archive = target.ArchiveFile();
    if (exists) qv::test::WriteFileBytes(archive, bytes.toStdString());
    ScriptedPrompts prompts;
    if (answer == 1) prompts.dialogAnswers.push_back(FillAndOk({{IDC_PASSWORD, QStringLiteral("wrong-one")}}));
    if (answer == 2) prompts.dialogAnswers.push_back(Cancel());
    CMainFrame frame;
    prompts.fileAnswers.push_back(Native(archive));
    frame.OnRestore();

    QVERIFY(!frame.IsJobRunning());
    QVERIFY(frame.ProgressBar()->isHidden());
    QCOMPARE(prompts.dialogsRun.size(), std::size_t(answer == 0 ? 0 : 1));
    if (text.isEmpty()) {
      QVERIFY(prompts.boxes.empty());
    } else {
      QCOMPARE(prompts.boxes.size(), std::size_t{1});
      QCOMPARE(prompts.boxes[0].strText, text);
      QCOMPARE(prompts.boxes[0].strCaption, caption);
      QCOMPARE(prompts.boxes[0].icon, caption == "Error" ? BoxIcon::kError : BoxIcon::kInformation);
      QCOMPARE(prompts.boxes[0].pOwner, &frame);
    }
    QCOMPARE(std::filesystem::exists(archive), exists);
    QVERIFY(SnapshotFiles(target.Profile().FavoritesDir()).empty());
    QVERIFY(!std::filesystem::exists(target.Profile().HivePath()));
  }

  void UnfinishedJobsSayWhatWentWrong_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("start");  // how the Error box begins
    QTest::addColumn<QString>("details");  // what its details hold; empty: it has none
    QTest::addColumn<bool>("archiveKept");
    QTest::newRow("backup folder missing") << "no folder" << "The backup failed, so no archive was written" << ""
                                           << false;
    QTest::newRow("backup write fails") << "write" << "The backup failed, so no archive was written" << "" << false;
    // A partial job's box is short: the entries are behind "Show Details...".
    QTest::newRow("backup leaves an entry out") << "skip"
        << "The archive was written, but 1 entry was left out of it." << "back\\slash.url: the name holds a backslash\n"
        << true;
    QTest::newRow("restore skips an entry") << "restore" << "1 entry of 2 was not restored."
        << "\\outside\\evil.url: the folder" << true;
  }

  void UnfinishedJobsSayWhatWentWrong() {
    QFETCH(QString, fault);
    QFETCH(QString, start);
    QFETCH(QString, details);
    QFETCH(bool, archiveKept);
    RestoreFixture fixture;
    fixture.Profile().AddFavorite("a.url", "a");
    FaultInjectingPlatform faults(fixture.Profile().platform());
    const ScopedPlatform useFaults(faults);
    std::filesystem::path archive = fixture.Profile().Scratch("out.qvl");
    if (fault == "no folder") archive = fixture.Profile().Scratch("no such folder") / "out.qvl";
    if (fault == "write") faults.FailNthWrite(2);  // the first write of the records
    if (fault == "skip") fixture.Profile().AddFavorite("back\\slash.url", "b");
    if (fault == "restore") {
      ArchiveBuilder()
          .Header()
          .File(kFavorites, u"fine.url", "ok")
          .File(u"%USERPROFILE%\\Favorites\\..\\..\\outside", u"evil.url", "no")
          .WriteTo(archive);
    }
    ScriptedPrompts prompts;
    CMainFrame frame;
    if (fault == "restore") {
      frame.RestoreFromArchive(Native(archive));
    } else {
      prompts.dialogAnswers.push_back(FillAndOk({{IDC_FILENAME, Native(archive)}}));
      frame.OnBackup();
    }
    QVERIFY(JobEnds(frame));
    QCOMPARE(prompts.boxes.size(), std::size_t{1});
    QCOMPARE(prompts.boxes[0].strCaption, QStringLiteral("Error"));
    QCOMPARE(prompts.boxes[0].icon, BoxIcon::kError);
    QVERIFY2(prompts.boxes[0].strText.startsWith(start), qPrintable(prompts.boxes[0].strText));
    if (details.isEmpty()) {
      QVERIFY(prompts.boxes[0].strDetails.isEmpty());
    } else {
      QCOMPARE(prompts.boxes[0].strText, start);
      QVERIFY2(prompts.boxes[0].strDetails.contains(details), qPrintable(prompts.boxes[0].strDetails));
    }
    QCOMPARE(std::filesystem::exists(archive), archiveKept);
    QVERIFY(frame.ProgressBar()->isHidden());
    QVERIFY(CommandsEnabled(frame));
  }

  void ClosingDuringAJob_data() {
    QTest::addColumn<bool>("backup");
    QTest::addColumn<bool>("yes");
    QTest::newRow("backup, stop it") << true << true;
    QTest::newRow("backup, keep it running") << true << false;
    QTest::newRow("restore, close when done") << false << true;
  }

  // The window asks before any event is handled, so the job is surely running; a
  // backup to be stopped reads a sparse 3 TiB favorite, which it cannot finish.
  void ClosingDuringAJob() {
    QFETCH(bool, backup);
    QFETCH(bool, yes);
    RestoreFixture fixture;
    fixture.Profile().AddFavorite("big.bin", Bytes(400000, 3));
    if (backup && yes && !AddHugeFavorite(fixture.Profile())) QSKIP("no sparse files here");
    const std::filesystem::path archive = fixture.Profile().Scratch("closing.qvl");
    if (!backup) ArchiveBuilder().Header().File(kFavorites, u"new.url", Bytes(300000)).WriteTo(archive);
    ScriptedPrompts prompts;
    prompts.bAnswerYes = yes;
    CMainFrame frame;
    frame.show();
    if (backup) {
      prompts.dialogAnswers.push_back(FillAndOk({{IDC_FILENAME, Native(archive)}}));
      frame.OnBackup();
    } else {
      frame.RestoreFromArchive(Native(archive));
    }
    QVERIFY(!frame.close());
    QCOMPARE(prompts.boxes.size(), std::size_t{1});
    QCOMPARE(prompts.boxes[0].buttons, BoxButtons::kYesNo);
    QVERIFY(prompts.boxes[0].strText.contains(backup ? "Stop it and close" : "when it has finished"));

    QVERIFY(JobEnds(frame));
    QVERIFY(!frame.IsJobRunning());
    QCOMPARE(frame.isVisible(), !yes);
    QVERIFY(!HasTemporaryFiles(archive.parent_path()));
    if (backup && yes) {
      QCOMPARE(prompts.boxes.size(), std::size_t{1});  // the stop needs no outcome box
      QVERIFY(!std::filesystem::exists(archive));
    } else {
      QCOMPARE(prompts.boxes.back().strText, kSuccess);
      QVERIFY(std::filesystem::exists(archive));
    }
  }

  // The user has not answered when the job ends: the question goes, the outcome is
  // told after it (never over it), and the window stays open.
  void JobEndingWhileTheQuestionIsUpTakesItDown() {
    RestoreFixture fixture;
    fixture.Profile().AddFavorite("a.url", "a");
    const std::filesystem::path archive = fixture.Profile().Scratch("quick.qvl");
    ScriptedPrompts prompts;
    CMainFrame frame;
    frame.show();
    prompts.dialogAnswers.push_back(FillAndOk({{IDC_FILENAME, Native(archive)}}));
    frame.OnBackup();
    prompts.whileBoxUp = [&](const ShownBox& box) {
      if (box.buttons == BoxButtons::kYesNo) QTRY_VERIFY_WITH_TIMEOUT(prompts.boxes[0].bDismissed, 60000);
    };
    QVERIFY(!frame.close());
    QVERIFY(frame.isVisible());
    QVERIFY(!frame.IsJobRunning());
    QVERIFY(CommandsEnabled(frame));
    QCOMPARE(prompts.boxes.size(), std::size_t{2});
    QCOMPARE(prompts.boxes[0].buttons, BoxButtons::kYesNo);
    QCOMPARE(prompts.boxes[1].strText, kSuccess);
    QCOMPARE(prompts.boxes[1].nUnder, std::size_t{0});
    QVERIFY(std::filesystem::exists(archive));
  }

  void DestroyingTheWindowWaitsForTheRestore() {
    // The worker's last step is a blocking call into the window; a window that is
    // destroyed meanwhile must neither deadlock nor leave the restore half done.
    RestoreFixture fixture;
    const std::filesystem::path archive = fixture.Profile().Scratch("destroyed.qvl");
    ArchiveBuilder().Header().File(kFavorites, u"new.url", Bytes(300000, 5)).WriteTo(archive);
    ScriptedPrompts prompts;
    auto frame = std::make_unique<CMainFrame>();
    frame->RestoreFromArchive(Native(archive));
    QVERIFY(frame->IsJobRunning());
    frame.reset();
    QCOMPARE(fixture.Favorite("new.url"), Bytes(300000, 5));
    QVERIFY(prompts.boxes.empty());
  }
};

std::unique_ptr<QObject> MakeJobsTest() { return std::make_unique<JobsTest>(); }

}  // namespace qv::app::test

#include "jobs_test.moc"
