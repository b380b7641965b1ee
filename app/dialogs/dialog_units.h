// Dialog units to pixels, the way Windows maps them: from the dialog font's average
// character width and its height. x and widths scale by width / 4, y and heights by
// height / 8, each rounded to the nearest pixel.
#pragma once

#include <QRect>

class QFont;

namespace qv::app {

struct DialogBaseUnits {
  int nWidth = 0;   // average character width, pixels
  int nHeight = 0;  // character cell height, pixels
};

DialogBaseUnits BaseUnitsOf(const QFont& font);

QRect MapDialogRect(const DialogBaseUnits& units, int x, int y, int cx, int cy);

}  // namespace qv::app
