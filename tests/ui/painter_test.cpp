// Painting: the recording painter keeps every call with its arguments; the screen's painter draws fills,
// frames, text and bitmaps (bottom-up rows, blue-green-red pixels) where they were asked for.
#include <gtest/gtest.h>

#include "platform/ui/application.h"
#include "qt_probe.h"
#include "ui_test_support.h"

namespace {

using namespace platform::ui;
using namespace ui_test;

// A 2 x 2 bitmap, bottom-up: the lower row red, green; the upper row blue, white.
struct TwoByTwo {
  BitmapInfoHeader header;
  std::vector<std::uint8_t> bits;
  TwoByTwo() : bits(BitmapStride(2) * 2, 0) {
    header.width = 2;
    header.height = 2;
    const std::uint8_t lower[] = {0, 0, 255, 0, 255, 0};
    const std::uint8_t upper[] = {255, 0, 0, 255, 255, 255};
    std::copy(std::begin(lower), std::end(lower), bits.begin());
    std::copy(std::begin(upper), std::end(upper), bits.begin() + BitmapStride(2));
  }
};

class PaintedWindow : public Window {
 public:
  TwoByTwo bitmap;
  bool topDown = false;

 protected:
  void OnPaint(Painter& p) override {
    p.FillRect(RectAt(0, 0, 100, 100), Rgb(212, 208, 200));
    p.FrameRect(RectAt(10, 10, 30, 30), Rgb(0, 0, 0));
    BitmapInfoHeader h = bitmap.header;
    if (topDown) h.height = -h.height;
    p.StretchBitmap(RectAt(50, 10, 20, 20), h, bitmap.bits.data());
    p.TextOut(10, 60, "画像", Font{"ＭＳ Ｐゴシック", -16, 700}, Rgb(0, 0, 255), false, Rgb(255, 255, 255));
    BitmapInfoHeader eight = h;
    eight.bitCount = 8;
    p.StretchBitmap(RectAt(80, 80, 10, 10), eight, bitmap.bits.data());  // draws nothing
  }
};

class PainterTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    ASSERT_TRUE(w.CreateChild(host, RectAt(0, 0, 100, 100)));
  }
  PaintedWindow w;
};

TEST_F(PainterTest, TheRecordingPainterKeepsEveryCallWithItsArguments) {
  RecordingPainter rec;
  w.Paint(rec);
  ASSERT_EQ(rec.calls.size(), 5u);
  EXPECT_EQ(Describe(rec.calls[0]), "fill (0,0)-(100,100) rgb(212,208,200)");
  EXPECT_EQ(Describe(rec.calls[1]), "frame (10,10)-(40,40) rgb(0,0,0)");
  EXPECT_EQ(Describe(rec.calls[2]), "bitmap 2x2 -> (50,10)-(70,30)");
  EXPECT_EQ(Describe(rec.calls[3]), "text at (10,60) height -16 weight 700 rgb(0,0,255) on rgb(255,255,255)");
  EXPECT_EQ(rec.calls[3].text, "画像");
  EXPECT_EQ(rec.calls[3].font.face, "ＭＳ Ｐゴシック");
  ASSERT_EQ(rec.Of(PaintOp::Bitmap).size(), 2u);
  EXPECT_EQ(rec.Of(PaintOp::Fill).size(), 1u);
}

TEST_F(PainterTest, TheScreensPainterDrawsWhereAsked) {
  // Fill and frame: the frame is the rectangle's outermost pixels.
  EXPECT_EQ(ui_probe::PixelAt(w, 5, 5), Rgb(212, 208, 200));
  EXPECT_EQ(ui_probe::PixelAt(w, 10, 10), Rgb(0, 0, 0));
  EXPECT_EQ(ui_probe::PixelAt(w, 39, 39), Rgb(0, 0, 0));
  EXPECT_EQ(ui_probe::PixelAt(w, 40, 40), Rgb(212, 208, 200));
  EXPECT_EQ(ui_probe::PixelAt(w, 11, 11), Rgb(212, 208, 200));
  // The bitmap's first stored row is the picture's lowest; each source pixel fills a 10 x 10 block.
  EXPECT_EQ(ui_probe::PixelAt(w, 52, 25), Rgb(255, 0, 0));
  EXPECT_EQ(ui_probe::PixelAt(w, 67, 25), Rgb(0, 255, 0));
  EXPECT_EQ(ui_probe::PixelAt(w, 52, 12), Rgb(0, 0, 255));
  EXPECT_EQ(ui_probe::PixelAt(w, 67, 12), Rgb(255, 255, 255));
  // Text in its colour, its cells filled when not transparent; the 8-bit bitmap drew nothing.
  EXPECT_GT(ui_probe::CountColour(w, RectAt(10, 60, 40, 20), Rgb(0, 0, 255)), 0);
  EXPECT_GT(ui_probe::CountColour(w, RectAt(10, 60, 30, 16), Rgb(255, 255, 255)), 50);
  EXPECT_EQ(ui_probe::PixelAt(w, 85, 85), Rgb(212, 208, 200));
}

TEST_F(PainterTest, ATopDownBitmapKeepsItsFirstRowOnTop) {
  w.topDown = true;
  w.Invalidate();
  EXPECT_EQ(ui_probe::PixelAt(w, 52, 12), Rgb(255, 0, 0));
  EXPECT_EQ(ui_probe::PixelAt(w, 52, 25), Rgb(0, 0, 255));
}

}  // namespace
