#include "app/resources/pictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include "app/resources/resource_ids.h"

namespace qv::app {
namespace {

const QColor kBoxBlue(0x2f, 0x6d, 0xb5);
const QColor kBoxDark(0x1d, 0x47, 0x7a);
const QColor kBoxLight(0x6f, 0xa3, 0xe0);
const QColor kStarGold(0xf5, 0xb8, 0x2e);
const QColor kStarEdge(0xb0, 0x7a, 0x0c);
const QColor kArrowGreen(0x2e, 0x9d, 0x4a);
const QColor kArrowEdge(0x1c, 0x66, 0x2f);
const QColor kGearGrey(0x5d, 0x6b, 0x7a);

QPixmap Transparent(int cx, int cy) {
  QPixmap pixmap(cx, cy);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

QPainterPath StarPath(QPointF centre, qreal outer) {
  QPainterPath path;
  const qreal inner = outer * 0.45;
  for (int i = 0; i < 10; ++i) {
    const qreal radius = (i % 2 == 0) ? outer : inner;
    const qreal angle = qDegreesToRadians(-90.0 + 36.0 * i);
    const QPointF point(centre.x() + radius * qCos(angle), centre.y() + radius * qSin(angle));
    if (i == 0) path.moveTo(point); else path.lineTo(point);
  }
  path.closeSubpath();
  return path;
}

void DrawStar(QPainter& painter, QPointF centre, qreal outer) {
  painter.setPen(QPen(kStarEdge, qMax(1.0, outer / 7)));
  painter.setBrush(kStarGold);
  painter.drawPath(StarPath(centre, outer));
}

// The archive box: a body with a lid band across its top.
void DrawBox(QPainter& painter, const QRectF& rect) {
  const qreal edge = qMax(1.0, rect.width() / 20);
  const qreal lid = rect.height() * 0.3;
  QLinearGradient body(rect.topLeft(), rect.bottomLeft());
  body.setColorAt(0, kBoxLight);
  body.setColorAt(1, kBoxBlue);
  painter.setPen(QPen(kBoxDark, edge));
  painter.setBrush(body);
  painter.drawRoundedRect(rect.adjusted(0, lid * 0.4, 0, 0), edge * 1.5, edge * 1.5);
  painter.setBrush(kBoxDark);
  painter.drawRoundedRect(QRectF(rect.left() - edge, rect.top(), rect.width() + 2 * edge, lid),
                          edge, edge);
}

// A thick arrow, pointing down into the box or up out of it.
void DrawArrow(QPainter& painter, const QRectF& rect, bool bUp) {
  const qreal midX = rect.center().x();
  const qreal shaft = rect.width() * 0.34;
  const qreal headY = bUp ? rect.top() + rect.height() * 0.5 : rect.bottom() - rect.height() * 0.5;
  QPainterPath path;
  const qreal tip = bUp ? rect.top() : rect.bottom();
  const qreal tail = bUp ? rect.bottom() : rect.top();
  path.moveTo(midX, tip);
  path.lineTo(rect.right(), headY);
  path.lineTo(midX + shaft / 2, headY);
  path.lineTo(midX + shaft / 2, tail);
  path.lineTo(midX - shaft / 2, tail);
  path.lineTo(midX - shaft / 2, headY);
  path.lineTo(rect.left(), headY);
  path.closeSubpath();
  painter.setPen(QPen(kArrowEdge, 1));
  painter.setBrush(kArrowGreen);
  painter.drawPath(path);
}

void DrawHelp(QPainter& painter, const QRectF& rect) {
  QRadialGradient fill(rect.center() - QPointF(rect.width() / 5, rect.height() / 5), rect.width());
  fill.setColorAt(0, kBoxLight);
  fill.setColorAt(1, kBoxBlue);
  painter.setPen(QPen(kBoxDark, 1));
  painter.setBrush(fill);
  painter.drawEllipse(rect);
  QFont font;
  font.setBold(true);
  font.setPixelSize(qRound(rect.height() * 0.75));
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(rect, Qt::AlignCenter, QStringLiteral("?"));
}

void DrawGear(QPainter& painter, QPointF centre, qreal outer) {
  QPainterPath path;
  const int teeth = 8;
  const qreal inner = outer * 0.72;
  for (int i = 0; i < teeth * 4; ++i) {
    // Each tooth: rise, top, fall, gap, a quarter of a tooth's turn each.
    const qreal radius = (i % 4 == 1 || i % 4 == 2) ? outer : inner;
    const qreal angle = qDegreesToRadians(360.0 * i / (teeth * 4));
    const QPointF point(centre.x() + radius * qCos(angle), centre.y() + radius * qSin(angle));
    if (i == 0) path.moveTo(point); else path.lineTo(point);
  }
  path.closeSubpath();
  path.addEllipse(centre, outer * 0.3, outer * 0.3);  // the hole, by the odd-even rule
  painter.setPen(QPen(kGearGrey.darker(140), 1));
  painter.setBrush(kGearGrey);
  painter.drawPath(path);
}

QPixmap ToolBarStrip() {
  QPixmap strip = Transparent(72, 24);
  QPainter painter(&strip);
  painter.setRenderHint(QPainter::Antialiasing);
  DrawBox(painter, QRectF(3.5, 11.5, 17, 11));
  DrawArrow(painter, QRectF(6.5, 0.5, 11, 13), false);
  DrawBox(painter, QRectF(27.5, 11.5, 17, 11));
  DrawArrow(painter, QRectF(30.5, 0.5, 11, 13), true);
  DrawHelp(painter, QRectF(50.5, 2.5, 19, 19));
  return strip;
}

QPixmap FavoritesIcon() {
  QPixmap icon = Transparent(16, 16);
  QPainter painter(&icon);
  painter.setRenderHint(QPainter::Antialiasing);
  DrawStar(painter, QPointF(8, 8.6), 7.4);
  return icon;
}

QPixmap SettingsIcon() {
  QPixmap icon = Transparent(16, 16);
  QPainter painter(&icon);
  painter.setRenderHint(QPainter::Antialiasing);
  DrawGear(painter, QPointF(8, 8), 7.3);
  return icon;
}

QPixmap AppIconAt(int size) {
  QPixmap icon = Transparent(size, size);
  QPainter painter(&icon);
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal s = size;
  DrawBox(painter, QRectF(s * 0.1, s * 0.14, s * 0.8, s * 0.76));
  DrawStar(painter, QPointF(s * 0.5, s * 0.6), s * 0.24);
  return icon;
}

// Drawn in a 300 x 200 space scaled to `size`, so it stays sharp at any size.
QPixmap Splash(const QSize& size) {
  QPixmap splash(size);
  QPainter painter(&splash);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  painter.scale(size.width() / 300.0, size.height() / 200.0);
  QLinearGradient sky(0, 0, 0, 200);
  sky.setColorAt(0, QColor(0xdc, 0xe9, 0xf8));
  sky.setColorAt(1, Qt::white);
  painter.fillRect(QRect(0, 0, 300, 200), sky);
  painter.fillRect(QRect(0, 0, 300, 6), kBoxBlue);
  painter.fillRect(QRect(0, 194, 300, 6), kBoxBlue);

  painter.drawPixmap(QRect(22, 34, 72, 72), AppIconAt(144));
  QFont title;
  title.setBold(true);
  title.setPixelSize(34);
  painter.setFont(title);
  painter.setPen(kBoxDark);
  painter.drawText(QRect(108, 30, 186, 44), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Quorvel"));
  QFont text;
  text.setPixelSize(12);
  painter.setFont(text);
  painter.setPen(QColor(0x33, 0x33, 0x33));
  painter.drawText(QRect(110, 78, 184, 60), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                   QStringLiteral("Backs up and restores your Internet Explorer favorites and settings"));

  painter.drawPixmap(QRect(22, 152, 16, 16), FavoritesIcon());
  painter.drawText(QRect(42, 150, 90, 20), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Favorites"));
  painter.drawPixmap(QRect(132, 152, 16, 16), SettingsIcon());
  painter.drawText(QRect(152, 150, 120, 20), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("IE Settings"));
  return splash;
}

}  // namespace

QPixmap LoadBitmapResource(int nId) {
  switch (nId) {
    case IDB_TOOLBAR:
      return ToolBarStrip();
    case IDB_FAVORITES:
      return FavoritesIcon();
    case IDB_IE_SETTINGS:
      return SettingsIcon();
    case IDB_SPLASH:
      return Splash(QSize(300, 200));
    default:
      return {};
  }
}

QPixmap LoadBitmapResource(int nId, const QSize& size) {
  if (nId == IDB_SPLASH) return Splash(size);
  return LoadBitmapResource(nId).scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QIcon LoadAppIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(AppIconAt(size));
  return icon;
}

}  // namespace qv::app
