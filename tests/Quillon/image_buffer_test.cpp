// The image buffer's operations: layouts and their header, turns, the bilinear resize, copies, and what a
// failed allocation leaves.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ImageBuffer.h"
#include "ImageMemory.h"
#include "image_test_support.h"

using image_test::Fill;
using image_test::PaddingOf;
using image_test::Pattern;
using image_test::Picture;
using image_test::PictureOf;
using quillon::CImageBuffer;
using quillon::kFormatBitmap;
using quillon::kFormatPackedRGB;

namespace {

constexpr int kFormats[] = {kFormatPackedRGB, kFormatBitmap};

std::string Name(int format) { return format == kFormatBitmap ? "format 200" : "format 100"; }

void ExpectSizes(const CImageBuffer& b, const std::string& what) {
  const int row = b.Width() * 3 + (b.Format() == kFormatBitmap ? quillon::RowPadding(b.Width()) : 0);
  EXPECT_EQ(b.ByteSize(), row * b.Height()) << what;
  if (b.Format() != kFormatBitmap) return;
  const quillon::BitmapInfoHeader& h = b.Header().bmiHeader;
  EXPECT_EQ(h.biSize, 40u) << what;
  EXPECT_EQ(h.biWidth, b.Width()) << what;
  EXPECT_EQ(h.biHeight, b.Height()) << what;
  EXPECT_EQ(h.biPlanes, 1) << what;
  EXPECT_EQ(h.biBitCount, 24) << what;
  EXPECT_EQ(h.biCompression, 0u) << what;
  EXPECT_EQ(h.biSizeImage, static_cast<std::uint32_t>(b.ByteSize())) << what;
  EXPECT_EQ(h.biXPelsPerMeter | h.biYPelsPerMeter, 0) << what;
  EXPECT_EQ(h.biClrUsed | h.biClrImportant, 0u) << what;
}

Picture Flipped(const Picture& p) {
  Picture f = p;
  for (int y = 0; y < p.height; ++y) {
    std::memcpy(f.rgb.data() + static_cast<std::size_t>(y) * p.width * 3, p.At(0, p.height - 1 - y),
                static_cast<std::size_t>(p.width) * 3);
  }
  return f;
}

// The resize rule, written here from its description: sample positions (y·H)/h and (x·W)/w in extended
// precision; a copy of the pixel at the truncated position when both fractions are 0 or the position lies in
// the first or last row or column; else the four neighbours weighted (1−dx)(1−dy), dx(1−dy), (1−dx)dy, dx·dy,
// summed in that order and truncated. A bottom-up buffer is sampled in its stored order: its picture flipped.
Picture ReferenceResize(const Picture& picture, int w, int h, bool bottomUp) {
  const Picture p = bottomUp ? Flipped(picture) : picture;
  const int W = p.width, H = p.height;
  Picture out{w, h, std::vector<std::uint8_t>(static_cast<std::size_t>(w) * h * 3)};
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      long double fy = static_cast<long double>(y * H) / h, fx = static_cast<long double>(x * W) / w;
      int iy = static_cast<int>(fy), ix = static_cast<int>(fx);
      long double dy = fy - iy, dx = fx - ix;
      std::uint8_t* q = out.rgb.data() + (static_cast<std::size_t>(y) * w + x) * 3;
      bool copy = (dx == 0 && dy == 0) || ix < 1 || iy < 1 || ix >= W - 1 || iy >= H - 1;
      for (int c = 0; c < 3; ++c) {
        if (copy) {
          q[c] = p.At(ix, iy)[c];
          continue;
        }
        long double a = p.At(ix, iy)[c], b = p.At(ix + 1, iy)[c], d = p.At(ix, iy + 1)[c], e = p.At(ix + 1, iy + 1)[c];
        long double sum = a * (1 - dx) * (1 - dy);
        sum += b * dx * (1 - dy);
        sum += d * (1 - dx) * dy;
        sum += e * dx * dy;
        q[c] = static_cast<std::uint8_t>(static_cast<long long>(sum));
      }
    }
  }
  return bottomUp ? Flipped(out) : out;
}

class ImageBufferTest : public ::testing::Test {
 protected:
  void TearDown() override { quillon::FailNthPixelAllocation(0); }
  testing_support::TempFolder dir;
  image_test::RecordedMessages messages;
};

TEST_F(ImageBufferTest, LayoutsAndTheirHeader) {
  // A 5-pixel-wide bitmap row is 15 bytes and 1 of padding; the padding of a new bitmap layout is 255.
  const Picture p = Pattern(5, 3);
  CImageBuffer b;
  Fill(b, p, kFormatPackedRGB, dir);
  EXPECT_EQ(b.ByteSize(), 45);
  ASSERT_EQ(b.ToBitmapLayout(), 0);
  EXPECT_EQ(b.ByteSize(), 48);
  EXPECT_EQ(PaddingOf(b), std::string(3, '\xFF'));
  ExpectSizes(b, "after ToBitmapLayout");
  EXPECT_EQ(PictureOf(b), p);
  // Stored bottom-up as B G R: the first stored pixel is the picture's bottom-left one.
  EXPECT_EQ(b.Pixels()[0], p.At(0, 2)[2]);
  EXPECT_EQ(b.Pixels()[2], p.At(0, 2)[0]);
  ASSERT_EQ(b.ToPackedRGB(), 0);
  EXPECT_EQ(b.Format(), kFormatPackedRGB);
  EXPECT_EQ(b.ByteSize(), 45);
  EXPECT_EQ(0, std::memcmp(b.Pixels(), p.rgb.data(), p.rgb.size()));
  // Each conversion only from its own layout; ConvertTo of the same format or an unknown one does nothing.
  EXPECT_EQ(b.ToPackedRGB(), -1);
  EXPECT_EQ(b.ConvertTo(kFormatPackedRGB), 0);
  EXPECT_EQ(b.ConvertTo(300), 0);
  EXPECT_EQ(b.Format(), kFormatPackedRGB);
  ASSERT_EQ(b.ConvertTo(kFormatBitmap), 0);
  EXPECT_EQ(b.ToBitmapLayout(), -1);
  EXPECT_EQ(PictureOf(b), p);
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ImageBufferTest, ConversionsKeepEveryWidth) {
  for (int width = 1; width <= 8; ++width) {
    for (int height = 1; height <= 3; ++height) {
      const Picture p = Pattern(width, height, width * 10 + height);
      CImageBuffer b;
      Fill(b, p, kFormatBitmap, dir);
      ASSERT_EQ(b.ConvertTo(kFormatPackedRGB), 0);
      ASSERT_EQ(b.ConvertTo(kFormatBitmap), 0);
      const std::string what = std::to_string(width) + "x" + std::to_string(height);
      ExpectSizes(b, what);
      EXPECT_EQ(PictureOf(b), p) << what;
    }
  }
}

TEST_F(ImageBufferTest, TurnsOfASmallPicture) {
  // a b c          clockwise: d a     counter-clockwise: c f
  // d e f                     e b                        b e
  //                           f c                        a d
  const Picture p = Pattern(3, 2);
  auto px = [&](char name) {
    const int i = name - 'a';
    return std::vector<std::uint8_t>(p.At(i % 3, i / 3), p.At(i % 3, i / 3) + 3);
  };
  auto picture = [&](int w, int h, const char* names) {
    Picture q{w, h, {}};
    for (const char* n = names; *n; ++n) {
      auto v = px(*n);
      q.rgb.insert(q.rgb.end(), v.begin(), v.end());
    }
    return q;
  };
  const struct {
    bool clockwise;
    Picture expected;
  } turns[] = {{true, picture(2, 3, "daebfc")}, {false, picture(2, 3, "cfbead")}};
  for (int format : kFormats) {
    for (const auto& t : turns) {
      CImageBuffer b;
      Fill(b, p, format, dir);
      ASSERT_EQ(b.Rotate90(t.clockwise), 0);
      const std::string what = Name(format) + (t.clockwise ? " clockwise" : " counter-clockwise");
      EXPECT_EQ(b.Width(), 2) << what;
      EXPECT_EQ(b.Height(), 3) << what;
      EXPECT_EQ(PictureOf(b), t.expected) << what;
      ExpectSizes(b, what);
    }
  }
}

TEST_F(ImageBufferTest, TurnsComeBackAndZeroTheNewPadding) {
  for (int format : kFormats) {
    for (int width = 1; width <= 7; ++width) {
      for (int height = 1; height <= 3; ++height) {
        const std::string what = Name(format) + " " + std::to_string(width) + "x" + std::to_string(height);
        const Picture p = Pattern(width, height, width * 7 + height);
        CImageBuffer b;
        Fill(b, p, kFormatPackedRGB, dir);
        ASSERT_EQ(b.ConvertTo(format), 0);  // a bitmap layout made here has 255 in its padding
        ASSERT_EQ(b.Rotate90(true), 0);
        EXPECT_EQ(b.Width(), height) << what;
        if (format == kFormatBitmap) {
          EXPECT_EQ(PaddingOf(b), std::string(PaddingOf(b).size(), '\0')) << what;
        }
        ASSERT_EQ(b.Rotate90(false), 0);
        EXPECT_EQ(PictureOf(b), p) << what << ": clockwise then back";
        for (int i = 0; i < 4; ++i) ASSERT_EQ(b.Rotate90(true), 0);
        EXPECT_EQ(PictureOf(b), p) << what << ": four turns";
        ExpectSizes(b, what);
        if (format == kFormatBitmap) {
          EXPECT_EQ(PaddingOf(b), std::string(PaddingOf(b).size(), '\0')) << what;
        }
      }
    }
  }
}

TEST_F(ImageBufferTest, ResizeCopiesTheOnePixelEverywhere) {
  const Picture one = Pattern(1, 1);
  for (int format : kFormats) {
    CImageBuffer b;
    Fill(b, one, format, dir);
    ASSERT_EQ(b.Resize(3, 3), 0);
    const Picture out = PictureOf(b);
    for (int i = 0; i < 9; ++i) {
      EXPECT_TRUE(std::equal(one.rgb.begin(), one.rgb.end(), out.rgb.begin() + 3 * i)) << Name(format) << " " << i;
    }
    ExpectSizes(b, Name(format));
  }
}

TEST_F(ImageBufferTest, ResizeWorkedByHand) {
  // 3 × 3 to 2 × 2: positions 0 and 1.5. Only (1, 1) lies inside: the mean of the four pixels right and below
  // of the centre, 25.25 truncated to 25; the border samples are copies.
  Picture p{3, 3, std::vector<std::uint8_t>(27, 0)};
  auto set = [&](int x, int y, std::uint8_t v) { std::fill_n(p.rgb.begin() + (y * 3 + x) * 3, 3, v); };
  const std::uint8_t values[3][3] = {{1, 2, 3}, {4, 10, 20}, {5, 30, 41}};
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 3; ++x) set(x, y, values[y][x]);
  }
  CImageBuffer b;
  Fill(b, p, kFormatPackedRGB, dir);
  ASSERT_EQ(b.Resize(2, 2), 0);
  const std::uint8_t expected[4] = {1, 2, 4, 25};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(b.Pixels()[3 * i], expected[i]) << i;
  // The same picture stored bottom-up is sampled from its bottom row: the bottom-left pixel is the copy, and the
  // blend takes rows 1 and 0 of the picture.
  Fill(b, p, kFormatBitmap, dir);
  ASSERT_EQ(b.Resize(2, 2), 0);
  const Picture out = PictureOf(b);
  const std::uint8_t expectedUp[4] = {4, 8, 5, 30};  // top-down; 8 = (10 + 20 + 2 + 3) / 4 truncated
  for (int i = 0; i < 4; ++i) EXPECT_EQ(out.rgb[3 * i], expectedUp[i]) << i;
  EXPECT_EQ(PaddingOf(b), std::string(2 * 2, '\0'));
}

TEST_F(ImageBufferTest, ResizeAgreesWithTheRuleWrittenIndependently) {
  struct Size {
    int w, h;
  };
  std::vector<std::pair<Size, Size>> cases;
  for (int W = 1; W <= 3; ++W) {
    for (int H = 1; H <= 3; ++H) {
      for (int w = 1; w <= 3; ++w) {
        for (int h = 1; h <= 3; ++h) cases.push_back({{W, H}, {w, h}});
      }
    }
  }
  for (auto extra : {std::pair<Size, Size>{{7, 5}, {4, 9}},
                     {{13, 11}, {6, 5}},
                     {{5, 4}, {9, 7}},
                     {{64, 48}, {27, 19}},
                     {{33, 17}, {100, 51}},
                     {{200, 150}, {194, 145}}}) {
    cases.push_back(extra);
  }
  for (int format : kFormats) {
    for (const auto& [from, to] : cases) {
      const std::string what = Name(format) + " " + std::to_string(from.w) + "x" + std::to_string(from.h) + " to " +
                               std::to_string(to.w) + "x" + std::to_string(to.h);
      const Picture p = Pattern(from.w, from.h, from.w * 31 + from.h);
      CImageBuffer b;
      Fill(b, p, format, dir);
      ASSERT_EQ(b.Resize(to.w, to.h), 0) << what;
      EXPECT_EQ(PictureOf(b), ReferenceResize(p, to.w, to.h, format == kFormatBitmap)) << what;
      ExpectSizes(b, what);
      if (format == kFormatBitmap) {
        EXPECT_EQ(PaddingOf(b), std::string(PaddingOf(b).size(), '\0')) << what;
      }
    }
  }
}

TEST(FitWithin, LongerSideToTheLimit) {
  const struct {
    int limit, width, height, fitWidth, fitHeight;
  } cases[] = {
      {600, 2000, 1500, 600, 450},
      {600, 1500, 2000, 450, 600},
      {600, 600, 400, 600, 400},
      {600, 600, 600, 600, 600},
      {600, 601, 601, 600, 600},
      {600, 2000, 2, 600, 1},
      {600, 2, 2000, 1, 600},
      {194, 388, 200, 194, 100},
      {194, 150, 120, 150, 120},
      {194, 4000, 3000, 194, 145},
      {100000, 3000000, 2000000, 100000, 66666},
  };
  for (const auto& c : cases) {
    int w = c.width, h = c.height;
    quillon::FitWithin(c.limit, w, h);
    EXPECT_EQ(w, c.fitWidth) << c.limit << ": " << c.width << "x" << c.height;
    EXPECT_EQ(h, c.fitHeight) << c.limit << ": " << c.width << "x" << c.height;
  }
}

TEST_F(ImageBufferTest, RefusalsWithoutMessage) {
  CImageBuffer empty;
  EXPECT_EQ(empty.Format(), 0);
  EXPECT_EQ(empty.Rotate90(true), -1);
  EXPECT_EQ(empty.Resize(2, 2), -1);
  EXPECT_EQ(empty.ToPackedRGB(), -1);
  EXPECT_EQ(empty.ToBitmapLayout(), -1);
  EXPECT_EQ(empty.GrayToPackedRGB(), -1);
  CImageBuffer b;
  Fill(b, Pattern(4, 3), kFormatPackedRGB, dir);
  for (auto [w, h] : {std::pair{0, 3}, {3, 0}, {-1, 5}}) {
    EXPECT_EQ(b.Resize(w, h), -1) << w << "x" << h;
    EXPECT_EQ(b.Width(), 4);
  }
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ImageBufferTest, CopyTakesEverything) {
  CImageBuffer source;
  Fill(source, Pattern(5, 2), kFormatBitmap, dir);
  ASSERT_EQ(source.Resize(3, 4), 0);  // the loaded size stays 5 × 2
  CImageBuffer copy;
  ASSERT_EQ(copy.Copy(source), 0);
  EXPECT_EQ(copy.Format(), kFormatBitmap);
  EXPECT_EQ(copy.Width(), 3);
  EXPECT_EQ(copy.Height(), 4);
  EXPECT_EQ(copy.ByteSize(), source.ByteSize());
  EXPECT_EQ(copy.LoadedWidth(), 5);
  EXPECT_EQ(copy.LoadedHeight(), 2);
  EXPECT_EQ(0, std::memcmp(&copy.Header(), &source.Header(), sizeof(quillon::BitmapInfo)));
  EXPECT_NE(copy.Pixels(), source.Pixels());
  EXPECT_EQ(0, std::memcmp(copy.Pixels(), source.Pixels(), static_cast<std::size_t>(source.ByteSize())));
  EXPECT_EQ(copy.Copy(copy), 0);
  EXPECT_EQ(PictureOf(copy), PictureOf(source));
  CImageBuffer empty;
  ASSERT_EQ(copy.Copy(empty), 0);
  EXPECT_EQ(copy.Format(), 0);
  EXPECT_EQ(copy.Pixels(), nullptr);
}

TEST_F(ImageBufferTest, OutOfMemoryKeepsTheBuffer) {
  struct Case {
    const char* name;
    int format;
    int (*op)(CImageBuffer& b, const CImageBuffer& other);
  } cases[] = {
      {"Copy", kFormatBitmap, [](CImageBuffer& b, const CImageBuffer& other) { return b.Copy(other); }},
      {"RotateClockwise", kFormatBitmap, [](CImageBuffer& b, const CImageBuffer&) { return b.Rotate90(true); }},
      {"RotateCounterClockwise", kFormatPackedRGB,
       [](CImageBuffer& b, const CImageBuffer&) { return b.Rotate90(false); }},
      {"Resize", kFormatBitmap, [](CImageBuffer& b, const CImageBuffer&) { return b.Resize(9, 2); }},
      {"ToPackedRGB", kFormatBitmap, [](CImageBuffer& b, const CImageBuffer&) { return b.ToPackedRGB(); }},
      {"ToBitmapLayout", kFormatPackedRGB, [](CImageBuffer& b, const CImageBuffer&) { return b.ToBitmapLayout(); }},
      // More bytes than the signed 32-bit byte size holds: no memory is asked for.
      {"ResizeBeyondTheByteSize", kFormatBitmap,
       [](CImageBuffer& b, const CImageBuffer&) { return b.Resize(0x7FFFFFFF, 0x7FFFFFFF); }},
  };
  for (const Case& c : cases) {
    CImageBuffer b, other;
    Fill(b, Pattern(5, 3), c.format, dir);
    Fill(other, Pattern(2, 7, 9), kFormatBitmap, dir);
    const Picture before = PictureOf(b);
    const std::uint8_t* pixels = b.Pixels();
    messages.Clear();
    quillon::FailNthPixelAllocation(1);
    EXPECT_EQ(c.op(b, other), -1) << c.name;
    quillon::FailNthPixelAllocation(0);
    EXPECT_EQ(messages.Ids(), std::vector<int>{quillon::kMsgOutOfMemory}) << c.name;
    EXPECT_EQ(b.Pixels(), pixels) << c.name;
    EXPECT_EQ(b.Format(), c.format) << c.name;
    EXPECT_EQ(PictureOf(b), before) << c.name;
  }
}

}  // namespace
