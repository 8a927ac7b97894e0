// Dialogs from templates: every kind of control by id with its caption, the template's font at the screen's
// DPI, and dialog units in pixels from that font's measures.
#include <gtest/gtest.h>

#include "platform/ui/application.h"
#include "platform/ui/fonts.h"
#include "qt_probe.h"
#include "test_support.h"
#include "ui_test_support.h"

namespace {

using namespace platform::ui;
using namespace ui_test;
using testing_support::Show;

class DialogTemplateTest : public UiTest {};

TEST_F(DialogTemplateTest, EveryControlStandsByIdWithItsKindAndCaption) {
  LoggingDialog dlg;
  ASSERT_TRUE(dlg.Create(TestTemplate(), host));
  EXPECT_EQ(dlg.Take(), (std::vector<std::string>{"create", "init"}));  // no notification while made
  EXPECT_EQ(dlg.TemplateId(), 901);
  struct Row {
    int id;
    ControlKind kind;
    const char* text;
  };
  const Row rows[] = {
      {kLabel, ControlKind::Static, "フォルダ参照："},  {kLabelCentre, ControlKind::Static, "中央"},
      {kLabelRight, ControlKind::Static, "右寄せ"},     {kEdit, ControlKind::Edit, ""},
      {kBrowse, ControlKind::Button, "参照"},           {kMultiEdit, ControlKind::Edit, ""},
      {kReadOnlyEdit, ControlKind::Edit, "読み取り専用"},   {kCheck, ControlKind::CheckBox, "削除"},
      {kCombo, ControlKind::ComboBox, ""},              {kList, ControlKind::ListView, ""},
      {kPicture, ControlKind::Picture, ""},             {kGroup, ControlKind::GroupBox, "添付ファイル"},
      {kProgress, ControlKind::Progress, ""},           {kLink, ControlKind::Link, "画像を全て選択"},
      {kBrowser, ControlKind::Browser, ""},             {kIdOk, ControlKind::Button, "確定"},
      {kIdCancel, ControlKind::Button, "キャンセル"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.id);
    EXPECT_TRUE(dlg.HasItem(r.id));
    EXPECT_EQ(dlg.ItemKind(r.id), r.kind);
    EXPECT_EQ(Show(dlg.ItemText(r.id)), Show(r.text));
    EXPECT_EQ(dlg.IsItemVisible(r.id), r.id != kBrowser);  // the browser's place is a hidden frame
    EXPECT_TRUE(dlg.IsItemEnabled(r.id));
  }
  EXPECT_FALSE(dlg.HasItem(999));
  EXPECT_EQ(dlg.ItemText(999), "");
  // The combo box's entries come from the template; none is chosen until the program chooses one.
  ASSERT_EQ(dlg.ComboCount(kCombo), 2);
  EXPECT_EQ(Show(dlg.ComboText(kCombo, 0)), Show("過去選択したフォルダはこちら"));
  EXPECT_EQ(Show(dlg.ComboText(kCombo, 1)), Show("/data/画像"));
  EXPECT_EQ(dlg.ComboSelection(kCombo), -1);
  EXPECT_TRUE(dlg.IsVisible());
}

TEST_F(DialogTemplateTest, StylesHiddenAndDisabledHoldAtCreation) {
  DialogTemplate t = TestTemplate();
  t.style = kChildDialog;  // not visible
  t.controls[0].style |= kHidden;
  t.controls[1].style |= kDisabled;
  LoggingDialog dlg;
  ASSERT_TRUE(dlg.Create(t, host));
  EXPECT_FALSE(dlg.IsVisible());
  EXPECT_FALSE(dlg.IsItemVisible(kLabel));
  EXPECT_FALSE(dlg.IsItemEnabled(kLabelCentre));
  dlg.Show(true);
  EXPECT_TRUE(dlg.IsVisible());
  EXPECT_FALSE(dlg.IsItemVisible(kLabel));
}

// The DPI rule of the controls re-fonts their templates: 9 points above 96 DPI, else 12.
struct FontCase {
  const char* name;
  int dpi;
  int points;
  int pixels;     // the em of the font
  BaseUnits units;  // IPAPGothic's measures at that em
};

void PrintTo(const FontCase& c, std::ostream* os) { *os << c.name; }

class DialogFontTest : public UiTest, public testing::WithParamInterface<FontCase> {};

TEST_P(DialogFontTest, TemplateFontAndDialogUnitsFollowTheScreen) {
  const FontCase& c = GetParam();
  SetDpi(c.dpi);
  DialogTemplate t = TestTemplate();
  t.fontSize = c.points;
  LoggingDialog dlg;
  ASSERT_TRUE(dlg.Create(t, host));
  EXPECT_EQ(PointsToPixels(c.points, c.dpi), c.pixels);
  EXPECT_EQ(ui_probe::WindowPixelSize(dlg), c.pixels);
  // Every control speaks the template's font, drawn by the face that stands for "ＭＳ Ｐゴシック".
  EXPECT_EQ(ui_probe::ItemFamily(dlg, kEdit), "IPAPGothic");
  EXPECT_EQ(ui_probe::ItemPixelSize(dlg, kLabel), c.pixels);
  EXPECT_EQ(dlg.Units().width, c.units.width);
  EXPECT_EQ(dlg.Units().height, c.units.height);
  BaseUnits direct = DialogBaseUnits(t.font, c.points, c.dpi);
  EXPECT_EQ(direct.width, c.units.width);
  EXPECT_EQ(direct.height, c.units.height);
  // Origin and size each become pixels: x * width / 4, y * height / 8, rounded half up.
  auto px = [&](int v, int base, int by) { return (v * base * 2 + by) / (2 * by); };
  Rect edit = dlg.ItemRect(kEdit);  // 7, 20, 150, 14
  EXPECT_EQ(edit, RectAt(px(7, c.units.width, 4), px(20, c.units.height, 8), px(150, c.units.width, 4),
                         px(14, c.units.height, 8)));
  EXPECT_EQ(dlg.WindowRect(), RectAt(0, 0, px(300, c.units.width, 4), px(200, c.units.height, 8)));
  // The template's rectangle stays the dialog's natural size after it was moved.
  dlg.Move(RectAt(0, 0, 8000, 18500));
  EXPECT_EQ(dlg.TemplateRect(), RectAt(0, 0, px(300, c.units.width, 4), px(200, c.units.height, 8)));
  EXPECT_EQ(dlg.MapDialogRect(Rect{7, 20, 157, 34}),
            (Rect{px(7, c.units.width, 4), px(20, c.units.height, 8), px(157, c.units.width, 4),
                  px(34, c.units.height, 8)}));
  // A drop-down list is as high as its font needs, not as its open list.
  EXPECT_LT(dlg.ItemRect(kCombo).Height(), px(60, c.units.height, 8));
}

INSTANTIATE_TEST_SUITE_P(Screens, DialogFontTest,
                         testing::Values(FontCase{"dpi96_12pt", 96, 12, 16, {9, 17}},
                                         FontCase{"dpi120_9pt", 120, 9, 15, {9, 16}},
                                         FontCase{"dpi96_9pt", 96, 9, 12, {7, 13}},
                                         FontCase{"dpi120_12pt", 120, 12, 20, {12, 22}}),
                         [](const testing::TestParamInfo<FontCase>& i) { return std::string(i.param.name); });

TEST(DialogUnits, RoundAsTheSystemDoes) {
  // 3 * 9 / 4 = 6.75 -> 7; 2 * 9 / 4 = 4.5 -> 5; 1 * 17 / 8 = 2.125 -> 2; -2 * 9 / 4 = -4.5 -> -5.
  EXPECT_EQ(DialogUnitsToPixels(Rect{3, 1, 2, -2}, BaseUnits{9, 17}), (Rect{7, 2, 5, -4}));
}

TEST(Fonts, FacesOfTheSystemMapToTheirStandIns) {
  EXPECT_EQ(FontFamily("ＭＳ Ｐゴシック"), "IPAPGothic");
  EXPECT_EQ(FontFamily("ＭＳ ゴシック"), "IPAGothic");
  EXPECT_EQ(FontFamily(""), "IPAPGothic");
  EXPECT_EQ(FontFamily("DejaVu Sans"), "DejaVu Sans");
  EXPECT_EQ(PointsToPixels(9, 96), 12);
  EXPECT_EQ(PointsToPixels(9, 120), 15);
  EXPECT_EQ(PointsToPixels(10, 120), 17);  // 16.67 rounds up
}

TEST_F(DialogTemplateTest, ControlFontsTakeFaceHeightWeightAndUnderline) {
  LoggingDialog dlg;
  ASSERT_TRUE(dlg.Create(TestTemplate(), host));
  Font f{"ＭＳ ゴシック", -12, 700, true};
  dlg.SetItemFont(kLink, f);
  EXPECT_EQ(dlg.ItemFont(kLink), f);
  EXPECT_EQ(ui_probe::ItemFamily(dlg, kLink), "IPAGothic");
  EXPECT_EQ(ui_probe::ItemPixelSize(dlg, kLink), 12);
  // A positive height asks for the cell (ascent and descent), so the em comes out smaller.
  dlg.SetItemFont(kLabel, Font{"ＭＳ Ｐゴシック", 16});
  EXPECT_LT(ui_probe::ItemPixelSize(dlg, kLabel), 16);
  EXPECT_GE(ui_probe::ItemPixelSize(dlg, kLabel), 14);
}

}  // namespace
