// The window's bitmaps and icons. They are drawn here rather than shipped as image
// files, so they stay sharp, small and consistent with each other: one blue archive
// box is the program's mark, a gold star the favorites, a gear the settings.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace qv::app {

// IDB_TOOLBAR (72 x 24: Backup, Restore, Help), IDB_FAVORITES and IDB_IE_SETTINGS
// (16 x 16), IDB_SPLASH (300 x 200). A null pixmap for any other identifier.
QPixmap LoadBitmapResource(int nId);

// The same, drawn or scaled to fill `size`.
QPixmap LoadBitmapResource(int nId, const QSize& size);

// IDR_MAINFRAME, at the sizes window managers and dialogs ask for.
QIcon LoadAppIcon();

}  // namespace qv::app
