// fuzz-libs: quillon_image_fuzzing
// The photo control's image readers on arbitrary bytes, as a JPEG (at full size and scaled) and as a bitmap
// file: never a crash or a leak, and a picture that loads has the sizes its layout says and survives the
// buffer's operations.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ImageBuffer.h"
#include "platform/files.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

// Pictures above this many pixels are not tried: a few bytes of arithmetic-coded data can stand for a picture
// of a gigabyte, which the readers rightly decode but which would only measure the machine. Any frame header
// (0xFF, then SOF0-SOF15 but DHT, JPG and DAC) counts, wherever it stands: libjpeg uses one of them.
constexpr std::uint64_t kMaxPixels = 1 << 22;

bool DeclaresHugeFrame(const std::uint8_t* data, std::size_t size) {
  for (std::size_t i = 0; i + 9 <= size; ++i) {
    const std::uint8_t m = data[i + 1];
    if (data[i] != 0xFF || m < 0xC0 || m > 0xCF || m == 0xC4 || m == 0xC8 || m == 0xCC) continue;
    const std::uint64_t height = data[i + 5] << 8 | data[i + 6];
    const std::uint64_t width = data[i + 7] << 8 | data[i + 8];
    if (width * height > kMaxPixels) return true;
  }
  return false;
}

void CheckSizes(const quillon::CImageBuffer& b) {
  Check(b.Width() >= 1 && b.Height() >= 1 && b.Pixels() != nullptr);
  const std::int64_t row =
      std::int64_t{b.Width()} * 3 + (b.Format() == quillon::kFormatBitmap ? quillon::RowPadding(b.Width()) : 0);
  Check(b.ByteSize() == row * b.Height());
}

void Exercise(quillon::CImageBuffer& b) {
  CheckSizes(b);
  if (std::int64_t{b.Width()} * b.Height() > 1 << 16) return;
  const int width = b.Width(), height = b.Height();
  Check(b.Rotate90(true) == 0 && b.Width() == height && b.Height() == width);
  Check(b.Rotate90(false) == 0);
  Check(b.ConvertTo(b.Format() == quillon::kFormatBitmap ? quillon::kFormatPackedRGB : quillon::kFormatBitmap) == 0);
  CheckSizes(b);
  Check(b.Resize(width / 2 + 1, height * 2) == 0);
  CheckSizes(b);
}

const std::string& InputPath() {
  static const std::string path = [] {
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp && *tmp ? tmp : "/tmp") + "/image_fuzz." + std::to_string(getpid());
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (DeclaresHugeFrame(data, size)) return 0;
  const std::string& path = InputPath();
  Check(platform::WriteFile(path, data, size));
  for (int kind : {quillon::kImageFileJpeg, quillon::kImageFileBitmap}) {
    quillon::CImageBuffer b;
    if (b.Load(path, kind) == 0) {
      Check(b.Format() == (kind == quillon::kImageFileJpeg ? quillon::kFormatPackedRGB : quillon::kFormatBitmap));
      Check(b.LoadedWidth() == b.Width() && b.LoadedHeight() == b.Height());
      Exercise(b);
    } else {
      Check(b.Format() == 0 && b.Pixels() == nullptr);
    }
  }
  quillon::CImageBuffer scaled;
  if (scaled.LoadScaled(path, 64) == 0) {
    Check(scaled.Width() <= 64 && scaled.Height() <= 64);
    Exercise(scaled);
  }
  return 0;
}
