#include "app/startup/command_line.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

namespace qv::app {
namespace {

// Qt's own options, as QApplication takes them: it removes them from the line when
// it starts, which is after the line has been checked here.
constexpr const char* kQtValueOptions[] = {
    "style", "stylesheet", "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
    "qwindowicon", "qwindowtitle", "session", "display", "geometry", "title", "icon", "name", "qmljsdebugger",
};
constexpr const char* kQtFlagOptions[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

// The argument that introduced the unknown option `name`, up to its '='.
QString AsTyped(const QStringList& arguments, const QString& name) {
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (argument == QStringLiteral("--")) break;
    if (!argument.startsWith(u'-')) continue;
    const QString typed = argument.section(u'=', 0, 0);
    QString bare = typed;
    while (bare.startsWith(u'-')) bare.remove(0, 1);
    if (bare == name) return typed;
  }
  return QStringLiteral("--") + name;
}

}  // namespace

CommandLine ParseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  // "-style fusion" is one of Qt's options, not the letters s, t, y, l and e.
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  const QCommandLineOption profile(QStringLiteral("profile"), QString(), QStringLiteral("DIR"));
  const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
  const QCommandLineOption version(QStringLiteral("version"));
  parser.addOptions({profile, help, version});
  for (const char* strName : kQtValueOptions) {
    parser.addOption(QCommandLineOption(QString::fromLatin1(strName), QString(), QStringLiteral("value")));
  }
  for (const char* strName : kQtFlagOptions) parser.addOption(QCommandLineOption(QString::fromLatin1(strName)));

  CommandLine line;
  const bool bParsed = parser.parse(arguments);
  line.bHelp = parser.isSet(help);
  line.bVersion = parser.isSet(version);
  line.strProfile = parser.value(profile);
  for (const QString& positional : parser.positionalArguments()) {
    if (positional.isEmpty()) continue;  // a "" that a script passed names nothing
    line.strArchive = positional;
    break;
  }
  if (!parser.unknownOptionNames().isEmpty()) {
    line.strError = QStringLiteral("unknown option %1").arg(AsTyped(arguments, parser.unknownOptionNames().first()));
  } else if (!bParsed) {
    line.strError = parser.errorText();
  }
  return line;
}

QString ArchiveArgument(const QStringList& arguments) { return ParseCommandLine(arguments).strArchive; }

}  // namespace qv::app
