#include <QFontMetrics>

#include <map>
#include <utility>

#include "internal.h"
#include "platform/ui/fonts.h"

namespace platform::ui::detail {

namespace {

QFont Family(const std::string& face) {
  QFont f(QString::fromUtf8(FontFamily(face)));
  f.setStyleStrategy(QFont::PreferMatch);
  return f;
}

// Cell height (ascent and descent) per 100 pixels of em, per face: a positive font height asks for the cell.
int CellPer100(const std::string& face) {
  static std::map<std::string, int> known;
  auto found = known.find(face);
  if (found != known.end()) return found->second;
  QFont f = Family(face);
  f.setPixelSize(100);
  QFontMetrics m(f);
  int cell = m.ascent() + m.descent();
  if (cell <= 0) cell = 100;
  known.emplace(face, cell);
  return cell;
}

}  // namespace

QFont QtFont(const Font& font) {
  QFont f = Family(font.face);
  int pixels = 12;
  if (font.height < 0) {
    pixels = -font.height;
  } else if (font.height > 0) {
    pixels = (font.height * 100 + CellPer100(font.face) / 2) / CellPer100(font.face);
  }
  f.setPixelSize(pixels < 1 ? 1 : pixels);
  int weight = font.weight <= 0 ? 400 : font.weight;
  f.setWeight(static_cast<QFont::Weight>(std::clamp(weight, 100, 900)));
  f.setUnderline(font.underline);
  return f;
}

QFont TemplateFont(const std::string& face, int points, int dpi) {
  QFont f = Family(face);
  f.setPixelSize(PointsToPixels(points, dpi));
  return f;
}

Colour DefaultBrush(CtlColorType type) {
  switch (type) {
    case CtlColorType::Edit:
    case CtlColorType::ListBox:
      return Rgb(255, 255, 255);
    default:
      return kFaceColour;
  }
}

}  // namespace platform::ui::detail

