// What the image tests share: pictures made in the test, bitmap files assembled by hand, the messages the image
// code shows, and the outside peers (Pillow through Python, djpeg and cjpeg) run as programs of their own.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "ImageBuffer.h"
#include "ImageMessages.h"
#include "test_support.h"

namespace image_test {

// A picture as the eye sees it: rows top-down, R G B.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
  const std::uint8_t* At(int x, int y) const { return rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3; }
  bool operator==(const Picture&) const = default;
};

// Distinct, irregular pixels (no two neighbours alike), the same for the same seed.
inline Picture Pattern(int width, int height, std::uint32_t seed = 1) {
  Picture p{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 3)};
  std::uint32_t s = seed * 2654435761u + 12345u;
  for (auto& b : p.rgb) {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    b = static_cast<std::uint8_t>(s >> 11);
  }
  return p;
}

// Smooth content, as photographs have (JPEG round trips keep it close).
inline Picture Gradient(int width, int height) {
  Picture p{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 3)};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* q = p.rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3;
      q[0] = static_cast<std::uint8_t>(x * 255 / std::max(1, width - 1));
      q[1] = static_cast<std::uint8_t>(y * 255 / std::max(1, height - 1));
      q[2] = static_cast<std::uint8_t>(128 + (x - y) / 4);
    }
  }
  return p;
}

inline void Put16(std::string& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<char>(v);
  b[at + 1] = static_cast<char>(v >> 8);
}
inline void Put32(std::string& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
}
inline std::uint32_t Get32(const std::string& b, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<std::uint8_t>(b[at + i]);
  return v;
}

// A 24-bit bitmap file as the format defines it, assembled here byte by byte (bottom-up rows, B G R, each row
// padded to 4 bytes with padByte).
inline std::string BitmapBytes(const Picture& p, char padByte = 0) {
  const int padding = (4 - (p.width * 3) % 4) % 4;
  const std::size_t pixelBytes = static_cast<std::size_t>(p.width * 3 + padding) * p.height;
  std::string b(54, '\0');
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, static_cast<std::uint32_t>(54 + pixelBytes));
  Put32(b, 10, 54);
  Put32(b, 14, 40);
  Put32(b, 18, static_cast<std::uint32_t>(p.width));
  Put32(b, 22, static_cast<std::uint32_t>(p.height));
  Put16(b, 26, 1);
  Put16(b, 28, 24);
  Put32(b, 34, static_cast<std::uint32_t>(pixelBytes));
  for (int y = p.height - 1; y >= 0; --y) {
    for (int x = 0; x < p.width; ++x) {
      const std::uint8_t* q = p.At(x, y);
      b += static_cast<char>(q[2]);
      b += static_cast<char>(q[1]);
      b += static_cast<char>(q[0]);
    }
    b.append(padding, padByte);
  }
  return b;
}

// The buffer's picture, read from either layout by this test's own reading of the layouts.
inline Picture PictureOf(const quillon::CImageBuffer& buffer) {
  Picture p{buffer.Width(), buffer.Height(),
            std::vector<std::uint8_t>(static_cast<std::size_t>(buffer.Width()) * buffer.Height() * 3)};
  const bool bitmap = buffer.Format() == quillon::kFormatBitmap;
  const int row = buffer.Width() * 3 + (bitmap ? (4 - (buffer.Width() * 3) % 4) % 4 : 0);
  for (int y = 0; y < p.height; ++y) {
    const std::uint8_t* in = buffer.Pixels() + static_cast<std::size_t>(row) * (bitmap ? p.height - 1 - y : y);
    for (int x = 0; x < p.width; ++x, in += 3) {
      std::uint8_t* out = p.rgb.data() + (static_cast<std::size_t>(y) * p.width + x) * 3;
      out[0] = in[bitmap ? 2 : 0];
      out[1] = in[1];
      out[2] = in[bitmap ? 0 : 2];
    }
  }
  return p;
}

// The padding bytes of a format-200 buffer, row after row.
inline std::string PaddingOf(const quillon::CImageBuffer& buffer) {
  const int padding = quillon::RowPadding(buffer.Width());
  const int row = buffer.Width() * 3 + padding;
  std::string out;
  for (int s = 0; s < buffer.Height(); ++s) {
    out.append(reinterpret_cast<const char*>(buffer.Pixels()) + static_cast<std::size_t>(row) * s + buffer.Width() * 3,
               padding);
  }
  return out;
}

// A buffer holding p in format (through a bitmap file written by hand and the buffer's own loader).
inline void Fill(quillon::CImageBuffer& buffer, const Picture& p, int format, const testing_support::TempFolder& dir) {
  const std::string path = dir / "fill.bmp";
  testing_support::WriteRaw(path, BitmapBytes(p));
  ASSERT_EQ(buffer.Load(path, quillon::kImageFileBitmap), 0);
  ASSERT_EQ(buffer.ConvertTo(format), 0);
  ASSERT_EQ(buffer.Format(), format);
}

// The messages the image code shows, while the object lives.
class RecordedMessages {
 public:
  RecordedMessages() {
    quillon::SetImageMessageSink([this](int id, const std::string& arg) { shown.emplace_back(id, arg); });
  }
  ~RecordedMessages() { quillon::SetImageMessageSink({}); }
  RecordedMessages(const RecordedMessages&) = delete;
  RecordedMessages& operator=(const RecordedMessages&) = delete;
  std::vector<int> Ids() const {
    std::vector<int> ids;
    for (const auto& m : shown) ids.push_back(m.first);
    return ids;
  }
  void Clear() { shown.clear(); }
  std::vector<std::pair<int, std::string>> shown;
};

// ---- Peers.

inline bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }
inline std::string Quoted(const std::string& s) { return "'" + s + "'"; }

// A Python that has Pillow: the system's own (where Debian installs python3-pil), else the first on PATH.
inline const std::string& Python() {
  static const std::string python = [] {
    for (const char* candidate : {"/usr/bin/python3", "python3"}) {
      if (Shell(std::string(candidate) + " -c 'import PIL' 2>/dev/null")) return std::string(candidate);
    }
    return std::string();
  }();
  return python;
}

// Runs a Python program (in a file of dir) with arguments; false when it fails or there is no Pillow.
inline bool RunPython(const testing_support::TempFolder& dir, const std::string& program, const std::string& args) {
  if (Python().empty()) {
    ADD_FAILURE() << "no python3 with Pillow (python3-pil)";
    return false;
  }
  const std::string script = dir / "peer.py";
  testing_support::WriteRaw(script, program);
  return Shell(Python() + " " + Quoted(script) + " " + args);
}

// A binary PPM (P6) or PGM (P5) file, as djpeg writes it; gray is widened to R = G = B.
inline bool ReadNetpbm(const std::string& path, Picture& out, int* components = nullptr) {
  const std::string b = testing_support::ReadRaw(path);
  int w = 0, h = 0, maxval = 0, consumed = 0;
  char kind[3] = {0};
  if (std::sscanf(b.c_str(), "%2s %d %d %d%n", kind, &w, &h, &maxval, &consumed) != 4 || maxval != 255) return false;
  const int comps = std::string(kind) == "P6" ? 3 : std::string(kind) == "P5" ? 1 : 0;
  const std::size_t start = static_cast<std::size_t>(consumed) + 1;
  if (comps == 0 || b.size() != start + static_cast<std::size_t>(w) * h * comps) return false;
  out = Picture{w, h, std::vector<std::uint8_t>(static_cast<std::size_t>(w) * h * 3)};
  for (std::size_t i = 0; i < static_cast<std::size_t>(w) * h; ++i) {
    for (int c = 0; c < 3; ++c)
      out.rgb[i * 3 + c] = static_cast<std::uint8_t>(b[start + i * comps + (comps == 3 ? c : 0)]);
  }
  if (components) *components = comps;
  return true;
}

inline void WritePpm(const std::string& path, const Picture& p) {
  std::string b = "P6\n" + std::to_string(p.width) + " " + std::to_string(p.height) + "\n255\n";
  b.append(reinterpret_cast<const char*>(p.rgb.data()), p.rgb.size());
  testing_support::WriteRaw(path, b);
}

}  // namespace image_test
