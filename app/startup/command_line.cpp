#include "app/startup/command_line.h"

namespace qv::app {

QString ArchiveArgument(const QStringList& arguments) {
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (!argument.isEmpty() && !argument.startsWith(u'-')) return argument;
  }
  return {};
}

}  // namespace qv::app
