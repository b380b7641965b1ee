// What the start tells the system of ".qvl": the five values in the program's own
// classes hive, byte for byte, and the freedesktop files with the caches the
// desktop builds from them.
#include <QImage>
#include <QTest>
#include <filesystem>
#include <optional>

#include "app/startup/desktop_files.h"
#include "app/startup/desktop_registration.h"
#include "app/startup/file_association.h"
#include "platform/linux/linux_platform.h"
#include "platform/unique_handles.h"
#include "tests/app/suites.h"
#include "tests/support/profile_fixture.h"
#include "tests/support/run_tool.h"
#include "tests/support/temp_dir.h"

namespace qv::app::test {
namespace {

using qv::test::ReadFileBytes;

struct ClassesValue {
  std::uint32_t type = 0;
  QByteArray data;
};

// The key's unnamed value as the hive file holds it, read through a platform of
// its own, so nothing buffered by the one that wrote it counts.
std::optional<ClassesValue> CommittedDefault(qv::test::ProfileFixture& profile, std::u16string_view key) {
  LinuxPlatformOptions options;
  options.strProfileDir = profile.ProfileDir().string();
  options.strClassesHive = profile.Scratch("classes.dat").string();
  const std::unique_ptr<Platform> pFresh = MakeLinuxPlatform(options);
  RegKey opened = 0;
  if (pFresh->RegOpenKeyExW(kHkeyClassesRoot, key, kKeyRead, &opened) != kErrorSuccess) return std::nullopt;
  ClassesValue value;
  std::uint32_t size = 0;
  RegResult result = pFresh->RegQueryValueExW(opened, u"", &value.type, nullptr, &size);
  if (result == kErrorSuccess) {
    value.data.resize(size);
    result = pFresh->RegQueryValueExW(opened, u"", nullptr, reinterpret_cast<std::uint8_t*>(value.data.data()), &size);
  }
  (void)pFresh->RegCloseKey(opened);
  if (result != kErrorSuccess) return std::nullopt;
  return value;
}

// UTF-16LE with the terminator, as a REG_SZ value is stored.
QByteArray RegSzBytes(const std::u16string& text) {
  QByteArray bytes;
  for (const char16_t unit : text) {
    bytes.append(char(unit & 0xff));
    bytes.append(char(unit >> 8));
  }
  bytes.append(2, '\0');
  return bytes;
}

struct Expected {
  std::u16string_view key;
  std::u16string text;
};

std::vector<Expected> ExpectedValues(const std::u16string& path) {
  return {{u".qvl", u"Quorvel archive"},
          {u"Quorvel archive\\DefaultIcon", path + u",0"},
          {u"Quorvel archive\\shell", u"Open"},
          {u"Quorvel archive\\shell\\Open", u"Restore IE settings and favorites"},
          {u"Quorvel archive\\shell\\Open\\command", u"\"" + path + u"\" \"%1\""}};
}

void VerifyAssociation(qv::test::ProfileFixture& profile, const std::u16string& path) {
  for (const Expected& expected : ExpectedValues(path)) {
    const QString where = QString::fromStdU16String(std::u16string(expected.key));
    const std::optional<ClassesValue> value = CommittedDefault(profile, expected.key);
    QVERIFY2(value.has_value(), qPrintable(where));
    QVERIFY2(value->type == kRegSz, qPrintable(where));
    QCOMPARE(value->data.size(), qsizetype((expected.text.size() + 1) * 2));
    QCOMPARE(value->data, RegSzBytes(expected.text));
  }
}

// Sets XDG_DATA_HOME to a fresh folder for the scope.
class ScopedDataHome {
 public:
  ScopedDataHome() : m_previous(qgetenv("XDG_DATA_HOME")) {
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(m_dir.path().string()));
  }
  ~ScopedDataHome() { qputenv("XDG_DATA_HOME", m_previous); }
  std::filesystem::path operator/(const std::string& name) const { return m_dir / name; }
  std::string Path() const { return m_dir.path().string(); }

 private:
  qv::test::TempDir m_dir;
  QByteArray m_previous;
};

// Sets XDG_DATA_DIRS for the scope.
class ScopedSystemDataDirs {
 public:
  explicit ScopedSystemDataDirs(const std::string& dirs) : m_previous(qgetenv("XDG_DATA_DIRS")) {
    qputenv("XDG_DATA_DIRS", QByteArray::fromStdString(dirs));
  }
  ~ScopedSystemDataDirs() {
    if (m_previous.isNull()) {
      qunsetenv("XDG_DATA_DIRS");
    } else {
      qputenv("XDG_DATA_DIRS", m_previous);
    }
  }

 private:
  QByteArray m_previous;
};

constexpr char kUsersOwnEntry[] = "[Desktop Entry]\nType=Application\nName=My archives\nExec=quorvel %f\n"
                                  "MimeType=application/x-quorvel-archive;\n";

}  // namespace

class AssociationTest : public QObject {
  Q_OBJECT

 private slots:
  void FiveValuesStoredWhole_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("usual") << "Z:\\usr\\bin\\quorvel";
    QTest::newRow("blanks") << "Z:\\opt\\My Tools\\quorvel";
    // With the quotes and " \"%1\"" the command value is 262 characters: more
    // than Windows' fixed buffer of 260 would have held.
    QTest::newRow("255 characters") << "Z:\\" + QString(244, u'd') + "\\quorvel";
  }

  void FiveValuesStoredWhole() {
    QFETCH(QString, path);
    qv::test::ProfileFixture profile;
    RegisterFileAssociation(path.toStdU16String());
    if (QTest::currentDataTag() == QByteArray("255 characters")) QCOMPARE(path.size(), 255);
    VerifyAssociation(profile, path.toStdU16String());
    QVERIFY2(!std::filesystem::exists(profile.HivePath()), "the profile's NTUSER.DAT stays as it was");
  }

  void EveryStartRewritesTheValues() {
    qv::test::ProfileFixture profile;
    Status refused;
    const std::unique_ptr<RegistryWrites> writes = Os().RegBeginWrites(kHkeyClassesRoot, &refused);
    QVERIFY(writes);
    RegKey key = 0;
    QCOMPARE(writes->RegCreateKeyExW(kHkeyClassesRoot, u".qvl", kKeyAllAccess, &key), kErrorSuccess);
    const QByteArray other = RegSzBytes(u"Another program's type, with a longer name than ours");
    QCOMPARE(writes->RegSetValueExW(key, u"", kRegSz, reinterpret_cast<const std::uint8_t*>(other.data()),
                                    std::uint32_t(other.size())),
             kErrorSuccess);
    (void)Os().RegCloseKey(key);
    QVERIFY(writes->Commit().ok());

    RegisterFileAssociation(u"Z:\\home\\ann\\quorvel-" + std::u16string(200, u'a') + u"\\quorvel");
    RegisterFileAssociation(u"Z:\\opt\\q\\quorvel");  // a second start from another place
    VerifyAssociation(profile, u"Z:\\opt\\q\\quorvel");
  }

  void NoPathNoAssociation() {
    qv::test::ProfileFixture profile;
    RegisterFileAssociation(u"");
    QVERIFY(!std::filesystem::exists(profile.Scratch("classes.dat")));
  }

  void ExecArgumentsFollowTheEntryRules_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("argument");
    QTest::newRow("plain, unquoted for launchers that split at blanks")
        << "/usr/bin/quorvel" << "/usr/bin/quorvel";
    QTest::newRow("blank") << "/opt/my tools/quorvel" << "\"/opt/my tools/quorvel\"";
    QTest::newRow("quote, dollar, backquote") << "/a\"b$c`d" << "\"/a\\\\\"b\\\\$c\\\\`d\"";
    QTest::newRow("backslash") << "/a\\b" << "\"/a\\\\\\\\b\"";
    QTest::newRow("percent is no field code") << "/50%/quorvel" << "/50%%/quorvel";
    QTest::newRow("line feed cannot be carried") << "/a\nb" << "";
  }

  void ExecArgumentsFollowTheEntryRules() {
    QFETCH(QString, path);
    QFETCH(QString, argument);
    QCOMPARE(DesktopExecArgument(path), argument);
  }

  void DesktopLearnsTheArchiveType() {
    ScopedDataHome home;
    const QString program = QStringLiteral("/opt/Quorvel tools/bin/quorvel");
    RegisterWithDesktop(program).Wait();

    const std::string entry = ReadFileBytes(home / kDesktopEntryFile);
    for (const char* line : {"Exec=\"/opt/Quorvel tools/bin/quorvel\" %f\n", "TryExec=/opt/Quorvel tools/bin/quorvel\n",
                             "MimeType=application/x-quorvel-archive;\n", "Icon=quorvel\n",
                             "Categories=Utility;Archiving;\n", "Type=Application\n"}) {
      QVERIFY2(entry.find(line) != std::string::npos, line);
    }
    const std::string mime = ReadFileBytes(home / kMimePackageFile);
    QVERIFY(mime.find("<mime-type type=\"application/x-quorvel-archive\">") != std::string::npos);
    QVERIFY(mime.find("<glob pattern=\"*.qvl\"/>") != std::string::npos);
    QVERIFY(mime.find("<match type=\"string\" offset=\"0\" value=\"QVL\\000\"/>") != std::string::npos);
    for (const int size : kIconSizes) {
      const std::string folder = std::to_string(size) + "x" + std::to_string(size);
      const QImage icon(QString::fromStdString((home / ("icons/hicolor/" + folder + "/apps/quorvel.png")).string()));
      QCOMPARE(icon.size(), QSize(size, size));
    }
    if (qv::test::ToolAvailable("desktop-file-validate")) {
      const auto validated = qv::test::RunTool("desktop-file-validate '" + (home / kDesktopEntryFile).string() + "' 2>&1");
      QVERIFY2(validated.exitCode == 0 && validated.output.empty(), validated.output.c_str());
    }

    // What the cache builders made of them.
    if (!qv::test::ToolAvailable("update-mime-database")) QSKIP("shared-mime-info is not installed");
    QVERIFY(std::filesystem::exists(home / "mime/application/x-quorvel-archive.xml"));
    if (qv::test::ToolAvailable("update-desktop-database")) {
      QVERIFY(ReadFileBytes(home / "applications/mimeinfo.cache").find("application/x-quorvel-archive=quorvel.desktop;") !=
              std::string::npos);
    }
    // xdg-mime reads the database through mimetype(1); without it, it asks file(1),
    // which knows nothing of ours.
    if (!qv::test::ToolAvailable("xdg-mime") || !qv::test::ToolAvailable("mimetype")) {
      QSKIP("xdg-utils with mimetype is not installed");
    }
    const std::string header("QVL\0\1\0\0\0", 8);
    qv::test::WriteFileBytes(home / "docs/backup.qvl", header);
    qv::test::WriteFileBytes(home / "docs/renamed.bin", header);  // found by its magic
    qv::test::WriteFileBytes(home / "docs/other.bin", "QVLX, not ours");
    const auto type = [&](const std::string& name) {
      return qv::test::RunTool("xdg-mime query filetype '" + (home / ("docs/" + name)).string() + "'").output;
    };
    QCOMPARE(type("backup.qvl"), std::string("application/x-quorvel-archive\n"));
    QCOMPARE(type("renamed.bin"), std::string("application/x-quorvel-archive\n"));
    QVERIFY(type("other.bin") != "application/x-quorvel-archive\n");
    QCOMPARE(qv::test::RunTool("xdg-mime query default application/x-quorvel-archive").output,
             std::string("quorvel.desktop\n"));
  }

  // Programs below one folder: usr/ is installed (usr/share is the system's data
  // folder and holds our entry), opt/ has an entry the desktop does not search,
  // build/ and other/ are copies, gone/ names a program that is not there.
  void OnlyACopyTheSystemDoesNotKnowRegistersItself_data() {
    QTest::addColumn<QString>("earlier");     // whose registration the user has: "", a program, or "own"
    QTest::addColumn<QString>("started");
    QTest::addColumn<QString>("registered");  // whose it has afterwards
    QTest::newRow("a copy registers itself") << "" << "build" << "build";
    QTest::newRow("a copy takes over from another") << "other" << "build" << "build";
    QTest::newRow("a prefix the desktop does not search is no install") << "" << "opt" << "opt";
    QTest::newRow("the installed program writes nothing") << "" << "usr" << "";
    QTest::newRow("the installed program removes its own old one") << "usr" << "usr" << "";
    QTest::newRow("one naming a program that is gone is removed") << "gone" << "usr" << "";
    QTest::newRow("another copy that is still there keeps its own") << "other" << "usr" << "other";
    QTest::newRow("the user's own entry stays") << "own" << "usr" << "own";
  }

  void OnlyACopyTheSystemDoesNotKnowRegistersItself() {
    QFETCH(QString, earlier);
    QFETCH(QString, started);
    QFETCH(QString, registered);
    ScopedDataHome home;
    qv::test::TempDir root;
    const auto program = [&](const QString& name) { return (root / (name.toStdString() + "/bin/quorvel")).string(); };
    for (const char* name : {"usr", "opt", "build", "other"}) {
      qv::test::WriteFileBytes(program(name), "#!/bin/sh\n");
    }
    for (const char* name : {"usr", "opt"}) {
      qv::test::WriteFileBytes(root / (std::string(name) + "/share/") / kDesktopEntryFile, "[Desktop Entry]\n");
    }
    const ScopedSystemDataDirs system((root / "usr/share").string() + ":/nonexistent/share");
    if (earlier == "own") {
      qv::test::WriteFileBytes(home / kDesktopEntryFile, kUsersOwnEntry);
    } else if (!earlier.isEmpty()) {
      QVERIFY(WriteDataFiles(home.Path(), DesktopFiles(QString::fromStdString(program(earlier)))).ok());
    }

    RegisterWithDesktop(QString::fromStdString(program(started))).Wait();

    if (registered == "own") {
      QCOMPARE(ReadFileBytes(home / kDesktopEntryFile), std::string(kUsersOwnEntry));
    } else if (!registered.isEmpty()) {
      QCOMPARE(RegisteredProgram(home.Path()), program(registered));
      QVERIFY(std::filesystem::exists(home / kMimePackageFile));
    } else {
      for (const std::string& file : DesktopFilePaths()) QVERIFY2(!std::filesystem::exists(home / file), file.c_str());
      // What the desktop answers for this user now: nothing of ours.
      if (!earlier.isEmpty() && qv::test::ToolAvailable("update-desktop-database")) {
        QVERIFY(ReadFileBytes(home / "applications/mimeinfo.cache").find("quorvel") == std::string::npos);
      }
      if (qv::test::ToolAvailable("xdg-mime")) {
        QCOMPARE(qv::test::RunTool("xdg-mime query default application/x-quorvel-archive").output, std::string());
      }
    }
  }

  void AnEntryThatCannotNameTheProgramIsLeftOut() {
    ScopedDataHome home;
    RegisterWithDesktop(QStringLiteral("/tmp/odd\nname/quorvel")).Wait();
    QVERIFY(!std::filesystem::exists(home / kDesktopEntryFile));
    QVERIFY(std::filesystem::exists(home / kMimePackageFile));
  }
};

std::unique_ptr<QObject> MakeAssociationTest() { return std::make_unique<AssociationTest>(); }

}  // namespace qv::app::test

#include "association_test.moc"
