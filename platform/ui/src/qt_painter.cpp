#include "qt_painter.h"

#include <QFontMetrics>
#include <QImage>

#include <cstring>

#include "internal.h"
#include "qt_text.h"

namespace platform::ui::detail {

namespace {
QColor ToQColor(Colour c) { return QColor(c.r, c.g, c.b); }
}  // namespace

void QtPainter::FillRect(const Rect& rect, Colour brush) {
  if (rect.Width() <= 0 || rect.Height() <= 0) return;
  p_.fillRect(QRect(rect.left, rect.top, rect.Width(), rect.Height()), ToQColor(brush));
}

void QtPainter::FrameRect(const Rect& rect, Colour brush) {
  int w = rect.Width(), h = rect.Height();
  if (w <= 0 || h <= 0) return;
  QColor c = ToQColor(brush);
  p_.fillRect(QRect(rect.left, rect.top, w, 1), c);
  p_.fillRect(QRect(rect.left, rect.bottom - 1, w, 1), c);
  p_.fillRect(QRect(rect.left, rect.top, 1, h), c);
  p_.fillRect(QRect(rect.right - 1, rect.top, 1, h), c);
}

void QtPainter::TextOut(int x, int y, std::string_view text, const Font& font, Colour colour, bool transparent,
                        Colour background) {
  QFont qf = QtFont(font);
  QFontMetrics metrics(qf);
  QString s = ToQt(text);
  if (!transparent) {
    p_.fillRect(QRect(x, y, metrics.horizontalAdvance(s), metrics.height()), ToQColor(background));
  }
  p_.save();
  p_.setFont(qf);
  p_.setPen(ToQColor(colour));
  p_.drawText(QPoint(x, y + metrics.ascent()), s);
  p_.restore();
}

void QtPainter::StretchBitmap(const Rect& dest, const BitmapInfoHeader& header, const std::uint8_t* bits) {
  if (!bits || header.bitCount != 24 || header.compression != 0 || header.width <= 0 || header.height == 0) return;
  if (dest.Width() <= 0 || dest.Height() <= 0) return;
  const int width = header.width;
  const int height = header.height > 0 ? header.height : -header.height;
  const std::size_t stride = BitmapStride(width);
  QImage image(width, height, QImage::Format_BGR888);
  for (int row = 0; row < height; ++row) {
    // Bottom-up rows hold the picture's last line first.
    int source = header.height > 0 ? height - 1 - row : row;
    const std::uint8_t* from = bits + static_cast<std::size_t>(source) * stride;
    std::uint8_t* to = image.scanLine(row);
    // The bitmap keeps blue, green, red; BGR888 keeps them in that order too.
    std::memcpy(to, from, static_cast<std::size_t>(width) * 3);
  }
  p_.save();
  p_.setRenderHint(QPainter::SmoothPixmapTransform, false);
  p_.drawImage(QRect(dest.left, dest.top, dest.Width(), dest.Height()), image);
  p_.restore();
}

}  // namespace platform::ui::detail
