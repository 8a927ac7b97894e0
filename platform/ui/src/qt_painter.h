// The painter on a QPainter: what a window's OnPaint draws on the screen.
#pragma once

#include <QPainter>

#include "platform/ui/painter.h"

namespace platform::ui::detail {

class QtPainter : public Painter {
 public:
  explicit QtPainter(QPainter& painter) : p_(painter) {}
  void FillRect(const Rect& rect, Colour brush) override;
  void FrameRect(const Rect& rect, Colour brush) override;
  void TextOut(int x, int y, std::string_view text, const Font& font, Colour colour, bool transparent,
               Colour background) override;
  void StretchBitmap(const Rect& dest, const BitmapInfoHeader& header, const std::uint8_t* bits) override;

 private:
  QPainter& p_;
};

}  // namespace platform::ui::detail
