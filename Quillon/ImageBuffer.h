// The photo control's in-memory picture: 24-bit pixels in one of two row layouts, turned, resized, converted,
// and loaded from and saved to JPEG and 24-bit bitmap files.
#pragma once

#include <cstdint>
#include <string>

#include "ImageMemory.h"

namespace quillon {

// Layouts.
inline constexpr int kFormatPackedRGB = 100;  // rows top-down, R G B, no padding
inline constexpr int kFormatBitmap = 200;     // rows bottom-up, B G R, each row padded to 4 bytes

// Kinds of image file.
inline constexpr int kImageFileBitmap = 1;
inline constexpr int kImageFileJpeg = 2;

// The byte size is a signed 32-bit number: no picture holds more pixel bytes than this.
inline constexpr std::int64_t kMaxImageBytes = 0x7FFFFFFF;

// The device-independent bitmap header, field for field (40 bytes), and the header with its one palette entry.
struct BitmapInfoHeader {
  std::uint32_t biSize = 0;
  std::int32_t biWidth = 0;
  std::int32_t biHeight = 0;
  std::uint16_t biPlanes = 0;
  std::uint16_t biBitCount = 0;
  std::uint32_t biCompression = 0;
  std::uint32_t biSizeImage = 0;
  std::int32_t biXPelsPerMeter = 0;
  std::int32_t biYPelsPerMeter = 0;
  std::uint32_t biClrUsed = 0;
  std::uint32_t biClrImportant = 0;
};
struct BitmapInfo {
  BitmapInfoHeader bmiHeader;
  std::uint8_t bmiColors[4] = {0, 0, 0, 0};  // unused: 24-bit pixels carry their colours
};
static_assert(sizeof(BitmapInfoHeader) == 40 && sizeof(BitmapInfo) == 44);

// Padding bytes after each format-200 row of width pixels (0 to 3).
inline int RowPadding(int width) { return static_cast<int>((4 - (std::int64_t{width} * 3) % 4) % 4); }

// The size of a width × height picture made to fit within limit × limit: unchanged when it fits, else the longer
// side becomes limit and the shorter side shorter × limit / longer (integer division, at least 1).
void FitWithin(int limit, int& width, int& height);

class CImageBuffer {
 public:
  CImageBuffer();
  ~CImageBuffer() = default;
  CImageBuffer(const CImageBuffer&) = delete;
  CImageBuffer& operator=(const CImageBuffer&) = delete;

  // Becomes a copy of source: sizes, format, loaded size, header and pixels. 0, or -1 (out of memory: message
  // 1002, this buffer unchanged).
  int Copy(const CImageBuffer& source);

  // Turns the picture by 90 degrees, clockwise or counter-clockwise. 0, or -1: not format 100 or 200 (no
  // message), out of memory (1002, unchanged).
  int Rotate90(bool clockwise);

  // Bilinear resize to width × height. 0, or -1: not format 100 or 200, a side below 1 (no message), out of
  // memory (1002, unchanged).
  int Resize(int width, int height);

  // Layout changes: 200 to 100, 100 to 200, and a width × height block of gray bytes to 100. 0, or -1 (not the
  // layout it converts from: no message; out of memory: 1002, unchanged).
  int ToPackedRGB();
  int ToBitmapLayout();
  int GrayToPackedRGB();
  // Changes to format 100 or 200; the same format, or any other pair, does nothing.
  int ConvertTo(int format);

  // Loads a JPEG (kind 2, as format 100) or a 24-bit bitmap file (kind 1, as format 200); the buffer is emptied
  // first. 0, or -1: message 1010 with the path when the file cannot be read or is damaged or unsupported.
  int Load(const std::string& path, int kind);
  // Loads a JPEG file fitted within limit × limit (FitWithin): decoded at the smallest of libjpeg's scales that
  // is not below that size, then resized to it exactly. Format 100; the loaded size is the file's own. A limit
  // below 1 loads at full size.
  int LoadScaled(const std::string& path, int limit);
  // Saves as JPEG at quality 80 (kind 2, from format 100) or as a 24-bit bitmap file (kind 1, from format 200),
  // replacing the file only once the new one is complete. 0, or -1 with message 1011 and the old file untouched.
  int Save(const std::string& path, int kind) const;

  int Format() const { return m_nFormat; }
  int Width() const { return m_nWidth; }
  int Height() const { return m_nHeight; }
  int ByteSize() const { return m_nByteSize; }
  const std::uint8_t* Pixels() const { return m_pPixels.get(); }
  std::uint8_t* Pixels() { return m_pPixels.get(); }
  // Filled for format 200 (refilled after every operation that leaves the buffer in format 200).
  const BitmapInfo& Header() const { return m_bmi; }
  int LoadedWidth() const { return m_nLoadedWidth; }
  int LoadedHeight() const { return m_nLoadedHeight; }

 private:
  void Empty();
  void FillHeader();
  // Takes pixels as the buffer's, with its new layout and size.
  void Replace(PixelBlock pixels, int format, int width, int height, std::int64_t byteSize);
  int LoadJpeg(const std::string& path, int limit);
  int LoadBitmap(const std::string& path);
  int SaveBitmap(const std::string& path) const;

  int m_nFormat = 0;
  int m_nWidth = 0;
  int m_nHeight = 0;
  int m_nByteSize = 0;
  PixelBlock m_pPixels;
  BitmapInfo m_bmi;
  int m_nLoadedWidth = 0;
  int m_nLoadedHeight = 0;
};

}  // namespace quillon
