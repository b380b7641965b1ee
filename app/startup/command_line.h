// The archive named on the program's command line.
#pragma once

#include <QString>
#include <QStringList>

namespace qv::app {

// The first argument after the program's own name that is not a switch, or empty.
// A switch starts with '-': our own options take the one-token form
// "--profile=DIR", and Qt's (-style, -platform ...) are gone from `arguments` by
// now. A leading '/' is no switch here, as it would be on Windows: it starts every
// absolute path, and a file manager hands us one.
QString ArchiveArgument(const QStringList& arguments);

}  // namespace qv::app
