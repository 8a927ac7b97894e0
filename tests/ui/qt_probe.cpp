#include "qt_probe.h"

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QScrollBar>
#include <QTableWidget>
#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <set>

#include "internal.h"
#include "qt_text.h"

namespace ui_probe {

platform::ui::Colour PixelAt(platform::ui::Window& window, int x, int y) {
  QWidget* w = platform::ui::detail::WidgetOf(window);
  if (!w) return {};
  QImage image = w->grab(QRect(x, y, 1, 1)).toImage();
  QColor c = image.pixelColor(0, 0);
  return platform::ui::Rgb(c.red(), c.green(), c.blue());
}

int CountColour(platform::ui::Window& window, const platform::ui::Rect& rect, platform::ui::Colour colour) {
  QWidget* w = platform::ui::detail::WidgetOf(window);
  if (!w) return 0;
  QImage image = w->grab(QRect(rect.left, rect.top, rect.Width(), rect.Height())).toImage();
  int n = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      QColor c = image.pixelColor(x, y);
      if (c.red() == colour.r && c.green() == colour.g && c.blue() == colour.b) ++n;
    }
  }
  return n;
}

Picture LoadPicture(const std::string& path, int limit) {
  QImage image;
  if (!image.load(platform::ui::detail::ToQt(path), "PNG")) return {};
  std::set<QRgb> seen;
  for (int y = 0; y < image.height() && static_cast<int>(seen.size()) < limit; ++y) {
    for (int x = 0; x < image.width() && static_cast<int>(seen.size()) < limit; ++x) seen.insert(image.pixel(x, y));
  }
  return {image.width(), image.height(), static_cast<int>(seen.size())};
}

std::string ItemFamily(platform::ui::Dialog& dialog, int id) {
  QWidget* w = platform::ui::detail::ItemWidget(dialog, id);
  return w ? QFontInfo(w->font()).family().toStdString() : std::string();
}

int ItemPixelSize(platform::ui::Dialog& dialog, int id) {
  QWidget* w = platform::ui::detail::ItemWidget(dialog, id);
  return w ? w->font().pixelSize() : 0;
}

int WindowPixelSize(platform::ui::Window& window) {
  QWidget* w = platform::ui::detail::WidgetOf(window);
  return w ? w->font().pixelSize() : 0;
}

ListView ListInView(platform::ui::Dialog& dialog, int id) {
  ListView view;
  auto* t = qobject_cast<QTableWidget*>(platform::ui::detail::ItemWidget(dialog, id));
  if (!t) return view;
  QApplication::processEvents();
  view.firstRow = t->rowAt(0);
  const int height = t->viewport()->height();
  for (int row = 0; row < t->rowCount(); ++row) {
    const int top = t->rowViewportPosition(row);
    if (top >= 0 && top + t->rowHeight(row) <= height) ++view.wholeRows;
  }
  view.scrollsVertically = t->verticalScrollBar()->maximum() > 0;
  view.scrollsHorizontally = t->horizontalScrollBar()->maximum() > 0;
  return view;
}

bool TextFits(platform::ui::Dialog& dialog, int id) {
  QWidget* w = platform::ui::detail::ItemWidget(dialog, id);
  if (!w) return false;
  const QString text = platform::ui::detail::ToQt(dialog.ItemText(id));
  // As a static lays it out: wrapped at its width, it must stay one line.
  const QFontMetrics metrics(w->font());
  auto laidOut = [&](int width) {
    return metrics.boundingRect(QRect(0, 0, width, 10 * metrics.height()), Qt::TextWordWrap, text);
  };
  const QRect wrapped = laidOut(w->width());
  return wrapped.height() == laidOut(1 << 20).height() && wrapped.width() <= w->width();
}

bool HasFocus(platform::ui::Dialog& dialog, int id) {
  QWidget* w = platform::ui::detail::ItemWidget(dialog, id);
  return w && QApplication::focusWidget() == w;
}

bool IsTopLevel(platform::ui::Window& window) {
  QWidget* w = platform::ui::detail::WidgetOf(window);
  return w && w->isWindow();
}

}  // namespace ui_probe
