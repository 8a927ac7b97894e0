// Looks at what Qt made of a window: pixels, fonts and focus, for checks that the layer's own answers cannot
// give. Nothing of Qt shows here.
#pragma once

#include <string>

#include "platform/ui/dialog.h"

namespace ui_probe {

// The colour at a point of the window's picture (client coordinates, children included).
platform::ui::Colour PixelAt(platform::ui::Window& window, int x, int y);
// How many pixels of a rectangle of the window's picture (client coordinates) have exactly that colour.
int CountColour(platform::ui::Window& window, const platform::ui::Rect& rect, platform::ui::Colour colour);
// A saved picture (a PNG file, CP932 path) as a viewer opens it: its size and how many colours it holds,
// counted up to limit. A file that is no picture gives 0 by 0 and no colour.
struct Picture {
  int width = 0;
  int height = 0;
  int colours = 0;
};
Picture LoadPicture(const std::string& path, int limit = 16);
// The family and pixel size of a control's font, or of a window's.
std::string ItemFamily(platform::ui::Dialog& dialog, int id);
int ItemPixelSize(platform::ui::Dialog& dialog, int id);
int WindowPixelSize(platform::ui::Window& window);
// What a person sees of a list view's rows: the row at the top of its view, how many rows lie wholly in
// view, and whether it scrolls up and down or sideways (its rows or columns reach beyond the view).
struct ListView {
  int firstRow = -1;
  int wholeRows = 0;
  bool scrollsVertically = false;
  bool scrollsHorizontally = false;
};
ListView ListInView(platform::ui::Dialog& dialog, int id);
// The control's text, drawn in its font on one line, fits inside its width.
bool TextFits(platform::ui::Dialog& dialog, int id);
// The control holds the application's keyboard focus.
bool HasFocus(platform::ui::Dialog& dialog, int id);
// The window is a top-level window of its own (a modal dialog is).
bool IsTopLevel(platform::ui::Window& window);

}  // namespace ui_probe
