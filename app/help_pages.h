// Where Help and "Visit website" lead.
#pragma once

#include <QUrl>

namespace qv::app {

// The project's home page; empty until it has one.
inline constexpr char kHomePageAddress[] = "";

// The user manual installed with the program: share/quorvel/manual.html beside the
// folder that holds the executable (the build tree has the same layout).
QUrl ManualUrl();

// The home page, or the manual while there is none.
QUrl WebsiteUrl();

}  // namespace qv::app
