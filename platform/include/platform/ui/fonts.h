// The fonts the system names, and the ones that stand for them here.
#pragma once

#include <string>

namespace platform::ui {

// The family that draws a face named in CP932: "ＭＳ Ｐゴシック" is IPAPGothic, "ＭＳ ゴシック" IPAGothic, and
// an empty name the first of them; any other face keeps its own name. UTF-8.
std::string FontFamily(const std::string& face);

// Pixel height of the characters (the em) of a face at a size in points on a screen of dpi dots per inch.
int PointsToPixels(int points, int dpi);

}  // namespace platform::ui
