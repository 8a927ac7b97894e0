#include <QFontMetrics>

#include "internal.h"

namespace platform::ui {

namespace {

// n * times / by, rounded half away from zero, as the system's MulDiv.
int MulDiv(int n, int times, int by) {
  long long p = static_cast<long long>(n) * times;
  long long half = by / 2;
  return static_cast<int>((p >= 0 ? p + half : p - half) / by);
}

}  // namespace

namespace detail {

BaseUnits UnitsOf(const QFont& font) {
  // The system's measure: the width of the 52 letters, averaged and rounded, and the cell height.
  QFontMetrics m(font);
  int cx = m.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return BaseUnits{(cx / 26 + 1) / 2, m.height()};
}

Rect ItemPixels(int x, int y, int cx, int cy, BaseUnits base) {
  // The dialog manager converts a control's origin and size each on its own.
  return RectAt(MulDiv(x, base.width, 4), MulDiv(y, base.height, 8), MulDiv(cx, base.width, 4),
                MulDiv(cy, base.height, 8));
}

}  // namespace detail

BaseUnits DialogBaseUnits(const std::string& face, int points, int dpi) {
  return detail::UnitsOf(detail::TemplateFont(face, points, dpi));
}

Rect DialogUnitsToPixels(const Rect& units, BaseUnits base) {
  return Rect{MulDiv(units.left, base.width, 4), MulDiv(units.top, base.height, 8),
              MulDiv(units.right, base.width, 4), MulDiv(units.bottom, base.height, 8)};
}

}  // namespace platform::ui
