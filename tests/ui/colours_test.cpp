// The colours a dialog gives in OnCtlColor and OnListRowColour reach what is drawn on the screen.
#include <gtest/gtest.h>

#include "platform/ui/application.h"
#include "qt_probe.h"
#include "ui_test_support.h"

namespace {

using namespace platform::ui;
using namespace ui_test;

constexpr Colour kSky = Rgb(102, 204, 255);
constexpr Colour kLavender = Rgb(230, 230, 250);
constexpr Colour kBlue = Rgb(0, 0, 255);
constexpr Colour kRed = Rgb(255, 0, 0);
constexpr Colour kWhite = Rgb(255, 255, 255);

class ColoursTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    ASSERT_TRUE(dlg.Create(TestTemplate(), host));
    DispatchPendingMessages();
  }
  // A point inside the control, a few pixels in from its top-left corner.
  Colour Inside(int id) {
    Rect r = dlg.ItemRect(id);
    return ui_probe::PixelAt(dlg, r.left + 3, r.top + 3);
  }
  // A point near the bottom-right corner, where labels have no text.
  Colour Corner(int id) {
    Rect r = dlg.ItemRect(id);
    return ui_probe::PixelAt(dlg, r.right - 2, r.bottom - 2);
  }
  LoggingDialog dlg;
};

TEST_F(ColoursTest, NobodysColoursAreTheSystems) {
  EXPECT_EQ(ui_probe::PixelAt(dlg, 1, 1), kFaceColour);  // the dialog
  EXPECT_EQ(Corner(kLabel), kFaceColour);
  EXPECT_EQ(Inside(kEdit), kWhite);
  EXPECT_EQ(Inside(kReadOnlyEdit), kFaceColour);  // a read-only edit colours itself as a static
  EXPECT_GT(ui_probe::CountColour(dlg, dlg.ItemRect(kLabel), Rgb(0, 0, 0)), 0);  // black text
}

TEST_F(ColoursTest, BrushesAndTextColoursReachEachKindOfControl) {
  ControlColors sky;
  sky.brush = kSky;
  sky.text = kBlue;
  sky.transparent = true;
  ControlColors lavender;
  lavender.brush = kLavender;
  dlg.colours[0] = ControlColors{kWhite, {}, false, {}};
  dlg.colours[kLabel] = sky;
  dlg.colours[kLink] = sky;
  dlg.colours[kCheck] = lavender;
  dlg.colours[kEdit] = lavender;
  dlg.colours[kReadOnlyEdit] = lavender;
  dlg.Invalidate();
  EXPECT_EQ(ui_probe::PixelAt(dlg, 1, 1), kWhite);
  EXPECT_EQ(Corner(kLabel), kSky);
  EXPECT_GT(ui_probe::CountColour(dlg, dlg.ItemRect(kLabel), kBlue), 0);
  EXPECT_EQ(ui_probe::CountColour(dlg, dlg.ItemRect(kLabel), Rgb(0, 0, 0)), 0);
  EXPECT_GT(ui_probe::CountColour(dlg, dlg.ItemRect(kLink), kBlue), 0);
  EXPECT_EQ(Corner(kCheck), kLavender);
  EXPECT_EQ(Inside(kEdit), kLavender);
  EXPECT_EQ(Inside(kReadOnlyEdit), kLavender);
}

TEST_F(ColoursTest, ColoursAreAskedAgainWhenTheControlIsPaintedAgain) {
  // As the form's size label turns red while the remaining size is negative.
  dlg.colours[kLabel] = ControlColors{kWhite, Rgb(0, 0, 0), true, {}};
  dlg.SetItemText(kLabel, "-120");
  EXPECT_EQ(ui_probe::CountColour(dlg, dlg.ItemRect(kLabel), kRed), 0);
  dlg.colours[kLabel].text = kRed;
  dlg.InvalidateItem(kLabel);
  EXPECT_GT(ui_probe::CountColour(dlg, dlg.ItemRect(kLabel), kRed), 0);
  dlg.colours[kEdit] = ControlColors{kSky, {}, false, {}};
  EXPECT_EQ(Inside(kEdit), kSky);
  dlg.colours[kEdit].brush = kLavender;
  dlg.InvalidateItem(kEdit);
  EXPECT_EQ(Inside(kEdit), kLavender);
}

TEST_F(ColoursTest, ListRowsTakeTheirTextColourAndProgressBarsTheirBackground) {
  dlg.ListInsertColumn(kList, 0, "ファイル名", 150);
  for (int i = 0; i < 3; ++i) dlg.ListInsertRow(kList, i, "見積ファイル.vek");
  constexpr Colour kGrey = Rgb(0xC0, 0x20, 0xC0);
  dlg.rowColours[1] = kGrey;
  dlg.InvalidateItem(kList);
  DispatchPendingMessages();
  Rect list = dlg.ItemRect(kList);
  EXPECT_GT(ui_probe::CountColour(dlg, list, kGrey), 0);
  dlg.rowColours.clear();
  dlg.InvalidateItem(kList);
  EXPECT_EQ(ui_probe::CountColour(dlg, list, kGrey), 0);

  dlg.ProgressSetBackground(kProgress, kSky);
  Rect bar = dlg.ItemRect(kProgress);
  EXPECT_GT(ui_probe::CountColour(dlg, bar, kSky), bar.Width());
}

}  // namespace
