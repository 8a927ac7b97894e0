#include "platform/ui/fonts.h"

#include "platform/text.h"

namespace platform::ui {

std::string FontFamily(const std::string& face) {
  if (face.empty() || face == "ＭＳ Ｐゴシック") return "IPAPGothic";
  if (face == "ＭＳ ゴシック") return "IPAGothic";
  std::string utf8;
  if (!Cp932ToUtf8(face, utf8)) return "IPAPGothic";
  return utf8;
}

int PointsToPixels(int points, int dpi) {
  // Rounded as the system's MulDiv rounds: half away from zero.
  long long n = static_cast<long long>(points) * dpi;
  return static_cast<int>((n + (n >= 0 ? 36 : -36)) / 72);
}

}  // namespace platform::ui
