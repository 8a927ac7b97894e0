// JPEG files through libjpeg's 6b interface. The bytes go through the platform file layer: libjpeg reads
// through a source manager over a platform::File, and writes into memory, which replaces the file whole.
#pragma once

#include <cstdint>
#include <string>

#include "ImageMemory.h"

namespace quillon {

// Reads a JPEG file: height rows of width × components bytes, top-down (1 component for gray, 3 for RGB, or
// what else the file holds). Empty when the file cannot be opened or read, when libjpeg refuses it, when its
// data ends before the picture does, or when width × height × 3 would exceed kMaxImageBytes.
PixelBlock ReadJpegFile(const std::string& path, int& width, int& height, int& components);

// The same, for a caller that needs the picture fitted within limit × limit (FitWithin): it is decoded at the
// smallest of libjpeg's scales n/8 (n = 1 to 8) whose size is not below the fitted size, so width × height may
// be larger than that size, never smaller. fileWidth × fileHeight is the picture's own size.
PixelBlock ReadJpegFileScaled(const std::string& path, int limit, int& width, int& height, int& components,
                              int& fileWidth, int& fileHeight);

// Writes rows of width × 3 bytes R, G, B, top-down, as a baseline JPEG of the given quality. The file is
// replaced only by the complete new one. 1, or 0 (nothing written).
int WriteJpegFile(const std::string& path, const std::uint8_t* pixels, int width, int height, int quality);

}  // namespace quillon
