// Painting: the few drawing operations of the system's graphics interface that the dialogs use, on the screen
// or into a recording for tests that pin geometry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/types.h"

namespace platform::ui {

// The 40-byte header of a device-independent bitmap. Painting takes 24 bits per pixel, no compression, pixels
// stored blue, green, red, each row padded to 4 bytes; height > 0 stores the rows bottom-up, height < 0 top-down.
struct BitmapInfoHeader {
  std::uint32_t size = 40;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint16_t planes = 1;
  std::uint16_t bitCount = 24;
  std::uint32_t compression = 0;
  std::uint32_t sizeImage = 0;
  std::int32_t xPelsPerMeter = 0;
  std::int32_t yPelsPerMeter = 0;
  std::uint32_t clrUsed = 0;
  std::uint32_t clrImportant = 0;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

// Bytes of one row of a 24-bit bitmap of the given width.
constexpr std::size_t BitmapStride(int width) { return (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3}; }

class Painter {
 public:
  virtual ~Painter() = default;
  // Fills the rectangle with a solid brush.
  virtual void FillRect(const Rect& rect, Colour brush) = 0;
  // Draws a one-pixel border just inside the rectangle.
  virtual void FrameRect(const Rect& rect, Colour brush) = 0;
  // Draws CP932 text with its cell's top-left corner at (x, y); unless transparent the cells are first filled
  // with background.
  virtual void TextOut(int x, int y, std::string_view text, const Font& font, Colour colour, bool transparent,
                       Colour background) = 0;
  // Stretches the whole bitmap into dest, each pixel taking its nearest source pixel. A bitmap that is not
  // 24-bit and uncompressed, or has no pixels, draws nothing.
  virtual void StretchBitmap(const Rect& dest, const BitmapInfoHeader& header, const std::uint8_t* bits) = 0;
};

enum class PaintOp { Fill, Frame, Text, Bitmap };

// One recorded call with its arguments; the fields an operation does not take stay at their defaults.
struct PaintCall {
  PaintOp op = PaintOp::Fill;
  Rect rect;       // Fill, Frame, Bitmap (the destination)
  Colour colour;   // Fill and Frame: the brush; Text: the text colour
  int x = 0;       // Text
  int y = 0;       // Text
  std::string text;
  Font font;
  bool transparent = false;
  Colour background;
  int bitmapWidth = 0;   // Bitmap: the header's width and height
  int bitmapHeight = 0;
};

// Readable form of a call for failure messages, e.g. "bitmap 100x50 -> (2,16)-(57,43)".
std::string Describe(const PaintCall& call);

// Records every call; draws nothing.
class RecordingPainter : public Painter {
 public:
  void FillRect(const Rect& rect, Colour brush) override;
  void FrameRect(const Rect& rect, Colour brush) override;
  void TextOut(int x, int y, std::string_view text, const Font& font, Colour colour, bool transparent,
               Colour background) override;
  void StretchBitmap(const Rect& dest, const BitmapInfoHeader& header, const std::uint8_t* bits) override;

  std::vector<PaintCall> calls;
  // The calls of one kind, in order.
  std::vector<PaintCall> Of(PaintOp op) const;
};

}  // namespace platform::ui
