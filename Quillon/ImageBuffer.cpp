#include "ImageBuffer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "ImageFileWrite.h"
#include "ImageMessages.h"
#include "JpegFile.h"
#include "platform/files.h"

namespace quillon {

namespace {

constexpr int kJpegQuality = 80;

// Bitmap files: the 14-byte file header and the 40-byte info header, little-endian.
constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kHeadersSize = kFileHeaderSize + kInfoHeaderSize;
constexpr std::uint16_t kBitmapType = 0x4D42;  // "BM"

bool IsLayout(int format) { return format == kFormatPackedRGB || format == kFormatBitmap; }

// Bytes of one stored row of width pixels in format.
std::int64_t RowBytes(int format, int width) {
  return static_cast<std::int64_t>(width) * 3 + (format == kFormatBitmap ? RowPadding(width) : 0);
}

// Bytes of a block of height rows of width pixels in format; -1 beyond the signed 32-bit byte size.
std::int64_t BlockBytes(int format, int width, int height) {
  const std::int64_t row = RowBytes(format, width);
  if (height > 0 && row > kMaxImageBytes / height) return -1;
  return row * height;
}

std::uint16_t Get16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t Get32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
void Put16(std::uint8_t*& p, std::uint16_t v) {
  *p++ = static_cast<std::uint8_t>(v);
  *p++ = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::uint8_t*& p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) *p++ = static_cast<std::uint8_t>(v >> (8 * i));
}

// A new block of size bytes, or message 1002 and an empty block. Sizes beyond the signed 32-bit byte size
// count as memory that cannot be had.
PixelBlock NewPixels(std::int64_t size) {
  PixelBlock block;
  if (size > 0 && size <= kMaxImageBytes) block = AllocatePixels(static_cast<std::size_t>(size));
  if (!block) ShowImageMessage(kMsgOutOfMemory);
  return block;
}

}  // namespace

void FitWithin(int limit, int& width, int& height) {
  if (width <= limit && height <= limit) return;
  if (height < width) {
    height = static_cast<int>(std::max<std::int64_t>(1, std::int64_t{limit} * height / width));
    width = limit;
  } else {
    width = static_cast<int>(std::max<std::int64_t>(1, std::int64_t{limit} * width / height));
    height = limit;
  }
}

CImageBuffer::CImageBuffer() = default;

void CImageBuffer::Empty() {
  m_nFormat = 0;
  m_nWidth = 0;
  m_nHeight = 0;
  m_nByteSize = 0;
  m_pPixels.reset();
}

void CImageBuffer::FillHeader() {
  BitmapInfoHeader& h = m_bmi.bmiHeader;
  h = BitmapInfoHeader{};
  h.biSize = 40;
  h.biWidth = m_nWidth;
  h.biHeight = m_nHeight;
  h.biPlanes = 1;
  h.biBitCount = 24;
  h.biCompression = 0;  // BI_RGB
  h.biSizeImage = static_cast<std::uint32_t>(m_nByteSize);
}

void CImageBuffer::Replace(PixelBlock pixels, int format, int width, int height, std::int64_t byteSize) {
  m_pPixels = std::move(pixels);
  m_nFormat = format;
  m_nWidth = width;
  m_nHeight = height;
  m_nByteSize = static_cast<int>(byteSize);
  if (format == kFormatBitmap) FillHeader();
}

int CImageBuffer::Copy(const CImageBuffer& source) {
  if (&source == this) return 0;
  PixelBlock pixels;
  if (source.m_nByteSize > 0 && source.m_pPixels) {
    pixels = NewPixels(source.m_nByteSize);
    if (!pixels) return -1;
    std::memcpy(pixels.get(), source.m_pPixels.get(), static_cast<std::size_t>(source.m_nByteSize));
  }
  m_pPixels = std::move(pixels);
  m_nFormat = source.m_nFormat;
  m_nWidth = source.m_nWidth;
  m_nHeight = source.m_nHeight;
  m_nByteSize = source.m_nByteSize;
  m_nLoadedWidth = source.m_nLoadedWidth;
  m_nLoadedHeight = source.m_nLoadedHeight;
  m_bmi = source.m_bmi;
  return 0;
}

int CImageBuffer::Rotate90(bool clockwise) {
  if (!IsLayout(m_nFormat) || !m_pPixels) return -1;
  const int oldWidth = m_nWidth, oldHeight = m_nHeight;
  const int newWidth = oldHeight, newHeight = oldWidth;
  const bool bitmap = m_nFormat == kFormatBitmap;
  const std::int64_t oldRow = RowBytes(m_nFormat, oldWidth);
  const std::int64_t newRow = RowBytes(m_nFormat, newWidth);
  const std::int64_t byteSize = BlockBytes(m_nFormat, newWidth, newHeight);
  PixelBlock block = NewPixels(byteSize);
  if (!block) return -1;
  const std::uint8_t* src = m_pPixels.get();
  const int padding = static_cast<int>(newRow - std::int64_t{newWidth} * 3);
  // New row j, column k takes an old pixel; in format 200 rows are stored bottom-up, so the same turn of the
  // picture reads the mirrored column and row.
  for (int j = 0; j < newHeight; ++j) {
    std::uint8_t* out = block.get() + newRow * j;
    for (int k = 0; k < newWidth; ++k) {
      int column, row;
      if (clockwise != bitmap) {  // format 100 clockwise, format 200 counter-clockwise
        column = j;
        row = oldHeight - 1 - k;
      } else {
        column = oldWidth - 1 - j;
        row = k;
      }
      std::memcpy(out + 3 * k, src + oldRow * row + 3 * column, 3);
    }
    std::memset(out + 3 * std::int64_t{newWidth}, 0, static_cast<std::size_t>(padding));
  }
  Replace(std::move(block), m_nFormat, newWidth, newHeight, byteSize);
  return 0;
}

int CImageBuffer::Resize(int width, int height) {
  if (!IsLayout(m_nFormat) || !m_pPixels || width < 1 || height < 1) return -1;
  const int W = m_nWidth, H = m_nHeight;
  const std::int64_t srcRow = RowBytes(m_nFormat, W);
  const std::int64_t dstRow = RowBytes(m_nFormat, width);
  const std::int64_t byteSize = BlockBytes(m_nFormat, width, height);
  // Every row samples the same columns: their positions are worked out once.
  struct Column {
    int ix;
    long double dx, rest;  // rest = 1 − dx
  };
  if (byteSize < 0) {
    ShowImageMessage(kMsgOutOfMemory);
    return -1;
  }
  std::vector<Column> columns;
  try {
    columns.resize(static_cast<std::size_t>(width));
  } catch (const std::bad_alloc&) {
    ShowImageMessage(kMsgOutOfMemory);
    return -1;
  }
  PixelBlock block = NewPixels(byteSize);
  if (!block) return -1;
  for (int x = 0; x < width; ++x) {
    const long double fx = static_cast<long double>(x) * W / width;
    columns[x].ix = static_cast<int>(fx);
    columns[x].dx = fx - columns[x].ix;
    columns[x].rest = 1 - columns[x].dx;
  }
  const std::uint8_t* src = m_pPixels.get();
  const std::size_t padding = static_cast<std::size_t>(dstRow - std::int64_t{width} * 3);
  // Rows and columns in stored order (a format-200 buffer from its bottom row). All arithmetic in long double
  // (x87 extended precision), each channel summed left to right in this order of products:
  //   P00·(1−dx)·(1−dy) + P10·dx·(1−dy) + P01·(1−dx)·dy + P11·dx·dy,
  // then truncated toward zero. The first and last source rows and columns are copied, never blended.
  for (int y = 0; y < height; ++y) {
    const long double fy = static_cast<long double>(y) * H / height;
    const int iy = static_cast<int>(fy);
    const long double dy = fy - iy, restY = 1 - dy;
    const bool edgeRow = iy < 1 || iy >= H - 1;
    const std::uint8_t* row0 = src + srcRow * iy;
    std::uint8_t* out = block.get() + dstRow * y;
    for (int x = 0; x < width; ++x, out += 3) {
      const int ix = columns[x].ix;
      const long double dx = columns[x].dx, restX = columns[x].rest;
      const std::uint8_t* p00 = row0 + 3 * std::int64_t{ix};
      if ((dx == 0 && dy == 0) || edgeRow || ix < 1 || ix >= W - 1) {
        std::memcpy(out, p00, 3);
        continue;
      }
      const std::uint8_t* p10 = p00 + 3;
      const std::uint8_t* p01 = p00 + srcRow;
      const std::uint8_t* p11 = p01 + 3;
      for (int c = 0; c < 3; ++c) {
        const long double v = p00[c] * restX * restY + p10[c] * dx * restY + p01[c] * restX * dy + p11[c] * dx * dy;
        out[c] = static_cast<std::uint8_t>(static_cast<long long>(v) & 0xFF);
      }
    }
    std::memset(out, 0, padding);
  }
  Replace(std::move(block), m_nFormat, width, height, byteSize);
  return 0;
}

int CImageBuffer::ToPackedRGB() {
  if (m_nFormat != kFormatBitmap || !m_pPixels) return -1;
  const int W = m_nWidth, H = m_nHeight;
  const std::int64_t srcRow = RowBytes(kFormatBitmap, W);
  const std::int64_t dstRow = std::int64_t{W} * 3;
  PixelBlock block = NewPixels(dstRow * H);
  if (!block) return -1;
  for (int s = 0; s < H; ++s) {  // stored row s is the picture's row H − 1 − s
    const std::uint8_t* in = m_pPixels.get() + srcRow * s;
    std::uint8_t* out = block.get() + dstRow * (H - 1 - s);
    for (int x = 0; x < W; ++x, in += 3, out += 3) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
    }
  }
  Replace(std::move(block), kFormatPackedRGB, W, H, dstRow * H);
  return 0;
}

int CImageBuffer::ToBitmapLayout() {
  if (m_nFormat != kFormatPackedRGB || !m_pPixels) return -1;
  const int W = m_nWidth, H = m_nHeight;
  const std::int64_t srcRow = std::int64_t{W} * 3;
  const std::int64_t dstRow = RowBytes(kFormatBitmap, W);
  PixelBlock block = NewPixels(BlockBytes(kFormatBitmap, W, H));
  if (!block) return -1;
  for (int s = 0; s < H; ++s) {
    const std::uint8_t* in = m_pPixels.get() + srcRow * (H - 1 - s);
    std::uint8_t* out = block.get() + dstRow * s;
    for (int x = 0; x < W; ++x, in += 3, out += 3) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
    }
    std::memset(out, 255, static_cast<std::size_t>(dstRow - srcRow));
  }
  Replace(std::move(block), kFormatBitmap, W, H, dstRow * H);
  return 0;
}

int CImageBuffer::GrayToPackedRGB() {
  const std::int64_t count = std::int64_t{m_nWidth} * m_nHeight;
  if (!m_pPixels || count < 1 || count != m_nByteSize) return -1;
  PixelBlock block = NewPixels(count * 3);
  if (!block) return -1;
  const std::uint8_t* in = m_pPixels.get();
  std::uint8_t* out = block.get();
  for (std::int64_t i = 0; i < count; ++i, out += 3) out[0] = out[1] = out[2] = in[i];
  Replace(std::move(block), kFormatPackedRGB, m_nWidth, m_nHeight, count * 3);
  return 0;
}

int CImageBuffer::ConvertTo(int format) {
  if (format == m_nFormat) return 0;
  if (m_nFormat == kFormatBitmap && format == kFormatPackedRGB) return ToPackedRGB();
  if (m_nFormat == kFormatPackedRGB && format == kFormatBitmap) return ToBitmapLayout();
  return 0;
}

int CImageBuffer::Load(const std::string& path, int kind) {
  if (kind == kImageFileJpeg) return LoadJpeg(path, 0);
  if (kind == kImageFileBitmap) return LoadBitmap(path);
  return -1;
}

int CImageBuffer::LoadScaled(const std::string& path, int limit) { return LoadJpeg(path, limit); }

int CImageBuffer::LoadJpeg(const std::string& path, int limit) {
  Empty();
  int width = 0, height = 0, components = 0, fileWidth = 0, fileHeight = 0;
  PixelBlock pixels = limit > 0 ? ReadJpegFileScaled(path, limit, width, height, components, fileWidth, fileHeight)
                                : ReadJpegFile(path, width, height, components);
  if (limit <= 0) {
    fileWidth = width;
    fileHeight = height;
  }
  if (!pixels || (components != 1 && components != 3)) {
    ShowImageMessage(kMsgImageUnreadable, path);
    return -1;
  }
  const std::int64_t count = std::int64_t{width} * height;
  if (components == 1) {
    m_pPixels = std::move(pixels);
    m_nWidth = width;
    m_nHeight = height;
    m_nByteSize = static_cast<int>(count);
    if (GrayToPackedRGB() != 0) {
      Empty();
      return -1;
    }
  } else {
    Replace(std::move(pixels), kFormatPackedRGB, width, height, count * 3);
  }
  m_nLoadedWidth = fileWidth;
  m_nLoadedHeight = fileHeight;
  if (limit > 0) {
    int fitWidth = fileWidth, fitHeight = fileHeight;
    FitWithin(limit, fitWidth, fitHeight);
    if ((fitWidth != width || fitHeight != height) && Resize(fitWidth, fitHeight) != 0) {
      Empty();
      return -1;
    }
  }
  return 0;
}

int CImageBuffer::LoadBitmap(const std::string& path) {
  Empty();
  auto unreadable = [&] {
    ShowImageMessage(kMsgImageUnreadable, path);
    return -1;
  };
  auto file = platform::File::Open(path, platform::OpenMode::Read);
  std::uint8_t head[kHeadersSize];
  if (!file || !file->ReadAll(head, sizeof head)) return unreadable();
  const std::uint8_t* info = head + kFileHeaderSize;
  const std::uint32_t pixelOffset = Get32(head + 10);
  const std::uint32_t infoSize = Get32(info);
  const std::int32_t width = static_cast<std::int32_t>(Get32(info + 4));
  const std::int32_t storedHeight = static_cast<std::int32_t>(Get32(info + 8));
  const std::uint16_t bitCount = Get16(info + 14);
  const std::uint32_t compression = Get32(info + 16);
  if (Get16(head) != kBitmapType || bitCount != 24) return unreadable();
  // Everything the header claims is checked against the file before any pixel memory is taken: an info header
  // of at least 40 bytes (not the 12-byte core header) with uncompressed pixels, a width above 0, a height other
  // than 0 (negative: rows stored top-down), and pixel bytes that start after the headers and end in the file.
  if (infoSize < kInfoHeaderSize || compression != 0 || width < 1 || storedHeight == 0 || storedHeight == INT32_MIN) {
    return unreadable();
  }
  const bool topDown = storedHeight < 0;
  const int height = topDown ? -storedHeight : storedHeight;
  const std::int64_t rowBytes = RowBytes(kFormatBitmap, width);
  const std::int64_t byteSize = BlockBytes(kFormatBitmap, width, height);
  const std::int64_t fileSize = file->Size();
  if (byteSize < 0 || pixelOffset < kFileHeaderSize + std::int64_t{infoSize} || fileSize < 0 ||
      std::int64_t{pixelOffset} + byteSize > fileSize) {
    return unreadable();
  }
  PixelBlock pixels = NewPixels(byteSize);
  if (!pixels) return -1;
  if (file->Seek(pixelOffset, SEEK_SET) != pixelOffset ||
      !file->ReadAll(pixels.get(), static_cast<std::size_t>(byteSize))) {
    return unreadable();
  }
  if (topDown) {
    for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
      std::uint8_t* a = pixels.get() + rowBytes * top;
      std::swap_ranges(a, a + rowBytes, pixels.get() + rowBytes * bottom);
    }
  }
  Replace(std::move(pixels), kFormatBitmap, width, height, byteSize);
  m_nLoadedWidth = width;
  m_nLoadedHeight = height;
  return 0;
}

int CImageBuffer::Save(const std::string& path, int kind) const {
  if (kind == kImageFileBitmap) return SaveBitmap(path);
  if (kind != kImageFileJpeg) return -1;
  // The JPEG writer takes packed RGB rows: a buffer in another layout is refused, not written as garbage.
  if (m_nFormat != kFormatPackedRGB || WriteJpegFile(path, m_pPixels.get(), m_nWidth, m_nHeight, kJpegQuality) == 0) {
    ShowImageMessage(kMsgImageNotSaved, path);
    return -1;
  }
  return 0;
}

int CImageBuffer::SaveBitmap(const std::string& path) const {
  if (m_nFormat != kFormatBitmap || !m_pPixels) {
    ShowImageMessage(kMsgImageNotSaved, path);
    return -1;
  }
  const std::int64_t fileSize = std::int64_t{m_nByteSize} + static_cast<std::int64_t>(kHeadersSize);
  PixelBlock bytes = AllocatePixels(static_cast<std::size_t>(fileSize));
  if (!bytes) {
    ShowImageMessage(kMsgOutOfMemory);
    return -1;
  }
  std::uint8_t* p = bytes.get();
  Put16(p, kBitmapType);
  Put32(p, static_cast<std::uint32_t>(fileSize));
  Put16(p, 0);
  Put16(p, 0);
  Put32(p, static_cast<std::uint32_t>(kHeadersSize));
  Put32(p, static_cast<std::uint32_t>(kInfoHeaderSize));
  Put32(p, static_cast<std::uint32_t>(m_nWidth));
  Put32(p, static_cast<std::uint32_t>(m_nHeight));
  Put16(p, 1);
  Put16(p, 24);
  Put32(p, 0);  // BI_RGB
  Put32(p, static_cast<std::uint32_t>(m_nByteSize));
  for (int i = 0; i < 4; ++i) Put32(p, 0);  // resolutions and colour counts
  std::memcpy(p, m_pPixels.get(), static_cast<std::size_t>(m_nByteSize));
  if (!WriteImageFile(path, bytes.get(), static_cast<std::size_t>(fileSize))) {
    ShowImageMessage(kMsgImageNotSaved, path);
    return -1;
  }
  return 0;
}

}  // namespace quillon
