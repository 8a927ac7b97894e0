// Values of the window model: rectangles, colours, fonts, key codes and the ids of the standard buttons.
#pragma once

#include <cstdint>
#include <string>

namespace platform::ui {

// A rectangle in pixels; right and bottom lie outside it, as the system's rectangles do.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const Rect&) const = default;
};

inline Rect RectAt(int x, int y, int width, int height) { return Rect{x, y, x + width, y + height}; }

struct Colour {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  bool operator==(const Colour&) const = default;
};

constexpr Colour Rgb(int r, int g, int b) {
  return Colour{static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(b)};
}

// The face colour of dialogs and statics that nobody colours.
constexpr Colour kFaceColour = Rgb(240, 240, 240);

// A font as the system's font creation takes it. height > 0 is the cell height in pixels (ascent and descent),
// height < 0 the character height (the em); weight 400 is normal, 700 bold.
struct Font {
  std::string face;  // CP932, e.g. "ＭＳ Ｐゴシック"
  int height = 0;
  int weight = 400;
  bool underline = false;
  bool operator==(const Font&) const = default;
};

// Ids of the standard dialog buttons.
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

// Virtual-key codes, as the system numbers them; letters and digits are their upper-case ASCII codes.
namespace vk {
constexpr int kBack = 8;
constexpr int kTab = 9;
constexpr int kReturn = 13;
constexpr int kShift = 16;
constexpr int kControl = 17;
constexpr int kMenu = 18;  // Alt
constexpr int kEscape = 27;
constexpr int kSpace = 32;
constexpr int kPrior = 33;  // Page Up
constexpr int kNext = 34;   // Page Down
constexpr int kEnd = 35;
constexpr int kHome = 36;
constexpr int kLeft = 37;
constexpr int kUp = 38;
constexpr int kRight = 39;
constexpr int kDown = 40;
constexpr int kInsert = 45;
constexpr int kDelete = 46;
constexpr int kF1 = 112;  // to kF1 + 11 for F12
}  // namespace vk

// A key message: key down or up, the virtual-key code and whether Ctrl is held.
struct KeyMessage {
  bool down = true;
  int vk = 0;
  bool ctrl = false;
};

}  // namespace platform::ui
