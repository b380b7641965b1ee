// Tool, run by scripts/windows-pictures: draws the window's bitmaps and icon as the
// Qt window draws them, for the Win32 window's resources. Bitmaps are 24-bit with
// magenta where the picture is transparent, as toolbars and image lists take
// them; the icon's sizes are PNGs for icotool.
//
//   quorvel_windows_pictures FOLDER
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>

#include "app/resources/pictures.h"
#include "app/resources/resource_ids.h"

namespace {

QImage OnMagenta(const QPixmap& pixmap) {
  const QImage source = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
  QImage out(source.size(), QImage::Format_RGB888);
  for (int y = 0; y < source.height(); ++y) {
    for (int x = 0; x < source.width(); ++x) {
      const QRgb pixel = source.pixel(x, y);
      // Half-covered edge pixels become the picture's own colour, never a pink fringe.
      out.setPixel(x, y, qAlpha(pixel) < 128 ? qRgb(255, 0, 255) : (pixel | 0xff000000u));
    }
  }
  return out;
}

QImage OnWhite(const QPixmap& pixmap) {
  QImage out(pixmap.size(), QImage::Format_RGB888);
  out.fill(Qt::white);
  QPainter painter(&out);
  painter.drawPixmap(0, 0, pixmap);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: quorvel_windows_pictures FOLDER\n", stderr);
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]) + u'/';
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  using namespace qv::app;
  bool bOk = OnMagenta(LoadBitmapResource(IDB_TOOLBAR)).save(folder + "toolbar.bmp") &&
             OnMagenta(LoadBitmapResource(IDB_FAVORITES)).save(folder + "favorites.bmp") &&
             OnMagenta(LoadBitmapResource(IDB_IE_SETTINGS)).save(folder + "ie_settings.bmp") &&
             OnWhite(LoadBitmapResource(IDB_SPLASH)).save(folder + "splash.bmp");
  for (int size : {16, 24, 32, 48, 256}) {
    bOk = bOk && LoadAppIcon().pixmap(size, size).save(folder + QStringLiteral("icon-%1.png").arg(size));
  }
  if (!bOk) std::fputs("quorvel_windows_pictures: a picture could not be written\n", stderr);
  return bOk ? 0 : 1;
}
