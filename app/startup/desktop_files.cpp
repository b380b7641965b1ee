#include "app/startup/desktop_files.h"

#include <QBuffer>
#include <QIcon>
#include <QPixmap>

#include "app/resources/pictures.h"

namespace qv::app {
namespace {

constexpr char kMimePackage[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<mime-info xmlns="http://www.freedesktop.org/standards/shared-mime-info">
  <mime-type type="application/x-quorvel-archive">
    <comment>Quorvel archive</comment>
    <icon name="quorvel"/>
    <glob pattern="*.qvl"/>
    <magic priority="50">
      <match type="string" offset="0" value="QVL\000"/>
    </magic>
  </mime-type>
</mime-info>
)";

bool HasControlCharacter(const QString& text) {
  for (const QChar c : text) {
    if (c.unicode() < 0x20 || c.unicode() == 0x7f) return true;
  }
  return false;
}

// A string value of a desktop entry: a backslash is written doubled.
QString EscapedValue(const QString& text) {
  QString escaped = text;
  return escaped.replace(u'\\', QStringLiteral("\\\\"));
}

QString DesktopEntry(const QString& programPath) {
  const QString exec = programPath.isEmpty() ? QStringLiteral("quorvel") : DesktopExecArgument(programPath);
  const QString tryExec = programPath.isEmpty() ? QStringLiteral("quorvel") : EscapedValue(programPath);
  QString entry = QStringLiteral(
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Name=Quorvel\n"
      "GenericName=Favorites and Settings Backup\n"
      "Comment=Back up and restore Internet Explorer favorites and settings\n"
      "Icon=quorvel\n");
  entry += QStringLiteral("Exec=") + exec + QStringLiteral(" %f\n");
  // Hides a user's entry once the program it names is gone.
  entry += QStringLiteral("TryExec=") + tryExec + QStringLiteral("\n");
  entry += QStringLiteral(
      "Terminal=false\n"
      "MimeType=application/x-quorvel-archive;\n"
      "Categories=Utility;Archiving;\n"
      "Keywords=backup;restore;favorites;bookmarks;archive;\n");
  return entry;
}

std::string PngOfIcon(const QIcon& icon, int size) {
  const QPixmap pixmap = icon.pixmap(QSize(size, size), 1.0);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  (void)pixmap.save(&buffer, "PNG");  // an empty icon file is all a failure could give
  return bytes.toStdString();
}

std::string IconFile(int size) {
  const std::string folder = std::to_string(size) + "x" + std::to_string(size);
  return "icons/hicolor/" + folder + "/apps/quorvel.png";
}

}  // namespace

QString DesktopExecArgument(const QString& path) {
  if (path.isEmpty() || HasControlCharacter(path)) return {};
  static const QString kReserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
  bool bQuote = false;
  for (const QChar c : path) bQuote = bQuote || kReserved.contains(c);
  QString argument;
  for (const QChar c : path) {
    if (c == u'%') {
      argument += QStringLiteral("%%");  // not a field code
    } else if (bQuote && (c == u'"' || c == u'`' || c == u'$' || c == u'\\')) {
      argument += u'\\';
      argument += c;
    } else {
      argument += c;
    }
  }
  if (bQuote) argument = u'"' + argument + u'"';
  // The quoting rules apply to the value after its string escapes are undone.
  return EscapedValue(argument);
}

std::vector<std::string> DesktopFilePaths() {
  std::vector<std::string> paths = {kDesktopEntryFile, kMimePackageFile};
  for (const int size : kIconSizes) paths.push_back(IconFile(size));
  return paths;
}

std::vector<DataFile> DesktopFiles(const QString& programPath) {
  std::vector<DataFile> files;
  if (programPath.isEmpty() || !DesktopExecArgument(programPath).isEmpty()) {
    files.push_back({kDesktopEntryFile, DesktopEntry(programPath).toStdString()});
  }
  files.push_back({kMimePackageFile, kMimePackage});
  const QIcon icon = LoadAppIcon();
  for (const int size : kIconSizes) files.push_back({IconFile(size), PngOfIcon(icon, size)});
  return files;
}

}  // namespace qv::app
