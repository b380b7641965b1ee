#include "app/help_pages.h"

#include <QCoreApplication>
#include <QDir>

namespace qv::app {

QUrl ManualUrl() {
  const QDir bin(QCoreApplication::applicationDirPath());
  return QUrl::fromLocalFile(QDir::cleanPath(bin.filePath(QStringLiteral("../share/quorvel/manual.html"))));
}

QUrl WebsiteUrl() {
  if (kHomePageAddress[0] != '\0') return QUrl(QString::fromUtf8(kHomePageAddress));
  return ManualUrl();
}

}  // namespace qv::app
