#include "platform/ui/painter.h"

#include <cstdio>

namespace platform::ui {

namespace {

std::string RectText(const Rect& r) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "(%d,%d)-(%d,%d)", r.left, r.top, r.right, r.bottom);
  return buf;
}

std::string ColourText(Colour c) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "rgb(%d,%d,%d)", c.r, c.g, c.b);
  return buf;
}

}  // namespace

std::string Describe(const PaintCall& call) {
  switch (call.op) {
    case PaintOp::Fill:
      return "fill " + RectText(call.rect) + " " + ColourText(call.colour);
    case PaintOp::Frame:
      return "frame " + RectText(call.rect) + " " + ColourText(call.colour);
    case PaintOp::Text: {
      char buf[64];
      std::snprintf(buf, sizeof buf, "text at (%d,%d) height %d weight %d ", call.x, call.y, call.font.height,
                    call.font.weight);
      return buf + ColourText(call.colour) + (call.transparent ? " transparent" : " on " + ColourText(call.background));
    }
    case PaintOp::Bitmap: {
      char buf[48];
      std::snprintf(buf, sizeof buf, "bitmap %dx%d -> ", call.bitmapWidth, call.bitmapHeight);
      return buf + RectText(call.rect);
    }
  }
  return {};
}

namespace {
PaintCall RectCall(PaintOp op, const Rect& rect, Colour brush) {
  PaintCall c;
  c.op = op;
  c.rect = rect;
  c.colour = brush;
  return c;
}
}  // namespace

void RecordingPainter::FillRect(const Rect& rect, Colour brush) { calls.push_back(RectCall(PaintOp::Fill, rect, brush)); }

void RecordingPainter::FrameRect(const Rect& rect, Colour brush) {
  calls.push_back(RectCall(PaintOp::Frame, rect, brush));
}

void RecordingPainter::TextOut(int x, int y, std::string_view text, const Font& font, Colour colour,
                               bool transparent, Colour background) {
  PaintCall c;
  c.op = PaintOp::Text;
  c.x = x;
  c.y = y;
  c.text = std::string(text);
  c.font = font;
  c.colour = colour;
  c.transparent = transparent;
  c.background = background;
  calls.push_back(c);
}

void RecordingPainter::StretchBitmap(const Rect& dest, const BitmapInfoHeader& header, const std::uint8_t*) {
  PaintCall c;
  c.op = PaintOp::Bitmap;
  c.rect = dest;
  c.bitmapWidth = header.width;
  c.bitmapHeight = header.height;
  calls.push_back(c);
}

std::vector<PaintCall> RecordingPainter::Of(PaintOp op) const {
  std::vector<PaintCall> out;
  for (const PaintCall& c : calls) {
    if (c.op == op) out.push_back(c);
  }
  return out;
}

}  // namespace platform::ui
