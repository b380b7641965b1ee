#include "app/dialogs/dialog_units.h"

#include <QFont>
#include <QFontMetrics>

namespace qv::app {
namespace {

// MulDiv: the product and the quotient rounded half away from zero.
int MulDiv(int value, int numerator, int denominator) {
  const long long product = static_cast<long long>(value) * numerator;
  const long long half = denominator / 2;
  return static_cast<int>(product >= 0 ? (product + half) / denominator
                                       : (product - half) / denominator);
}

}  // namespace

DialogBaseUnits BaseUnitsOf(const QFont& font) {
  const QFontMetrics metrics(font);
  // Windows averages the 52 Latin letters and rounds the half-width up.
  const int letters = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  DialogBaseUnits units;
  units.nWidth = (letters / 26 + 1) / 2;
  units.nHeight = metrics.height();
  return units;
}

QRect MapDialogRect(const DialogBaseUnits& units, int x, int y, int cx, int cy) {
  return QRect(MulDiv(x, units.nWidth, 4), MulDiv(y, units.nHeight, 8),
               MulDiv(cx, units.nWidth, 4), MulDiv(cy, units.nHeight, 8));
}

}  // namespace qv::app
