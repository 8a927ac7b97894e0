// Pictures of the test dialog at 96 and 120 DPI, saved in the build folder for people to look at.
#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/ui/application.h"
#include "test_support.h"
#include "ui_test_support.h"

namespace {

using namespace platform::ui;
using namespace ui_test;

struct ShotCase {
  const char* name;
  int dpi;
  int points;
};

void PrintTo(const ShotCase& c, std::ostream* os) { *os << c.name; }

class ScreenshotTest : public UiTest, public testing::WithParamInterface<ShotCase> {};

// A dialog that paints into its picture frame, as the form paints its thumbnails.
class PaintingDialog : public LoggingDialog {
 protected:
  void OnPaint(Painter& p) override {
    Rect frame = ItemRect(kPicture);
    p.FillRect(frame, Rgb(212, 208, 200));
    p.FrameRect(frame, Rgb(0, 0, 0));
    // A 4 x 2 bitmap: a red-green-blue-white row below a black-yellow-cyan-magenta one.
    BitmapInfoHeader h;
    h.width = 4;
    h.height = 2;
    std::vector<std::uint8_t> bits(BitmapStride(4) * 2, 0);
    const std::uint8_t bottom[] = {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255};
    const std::uint8_t top[] = {0, 0, 0, 0, 255, 255, 255, 255, 0, 255, 0, 255};
    std::copy(std::begin(bottom), std::end(bottom), bits.begin());
    std::copy(std::begin(top), std::end(top), bits.begin() + BitmapStride(4));
    p.StretchBitmap(RectAt(frame.left + 8, frame.top + 8, 40, 20), h, bits.data());
    p.TextOut(frame.left + 8, frame.top + 34, "画像ファイル情報", Font{"ＭＳ Ｐゴシック", -12, 700}, Rgb(0, 0, 0), true,
              Rgb(255, 255, 255));
  }
};

TEST_P(ScreenshotTest, TheTestDialogIsSavedAsAPicture) {
  const ShotCase& c = GetParam();
  SetDpi(c.dpi);
  DialogTemplate t = TestTemplate();
  t.fontSize = c.points;
  PaintingDialog dlg;
  ASSERT_TRUE(dlg.Create(t, host));
  dlg.SetItemText(kEdit, "/home/user/画像/2024年5月");
  dlg.SetItemText(kMultiEdit, "画像コメント：\r\n左前ドア凹み");
  dlg.SetItemText(kReadOnlyEdit, "只今、サーバに登録する情報を準備しています。しばらくお待ちください。");
  dlg.CheckItem(kCheck, true);
  dlg.ComboSelect(kCombo, 0);
  const int widths[] = {110, 70, 90};
  const char* heads[] = {"ファイル名", "受付番号", "お客様名"};
  for (int i = 0; i < 3; ++i) dlg.ListInsertColumn(kList, i, heads[i], widths[i] * dlg.Units().width / 9);
  const char* rows[][3] = {{"見積0001.vek", "A-0001", "山田 太郎"}, {"見積0002.vek", "A-0002", "佐藤 花子"}};
  for (int r = 0; r < 2; ++r) {
    dlg.ListInsertRow(kList, r, rows[r][0]);
    for (int col = 1; col < 3; ++col) dlg.ListSetCell(kList, r, col, rows[r][col]);
  }
  dlg.ListSetRowState(kList, 1, kRowSelected | kRowFocused, kRowSelected | kRowFocused);
  dlg.ProgressSetPos(kProgress, 60);
  ControlColors link;
  link.brush = Rgb(224, 238, 224);
  link.text = Rgb(0, 0, 255);
  link.transparent = true;
  dlg.colours[kLink] = link;
  dlg.SetItemFont(kLink, Font{"ＭＳ Ｐゴシック", 13, 400, true});
  DispatchPendingMessages();

  std::string path = testing_support::ShotsFolder("ui");
  path += std::string("/test_dialog_") + c.name + ".png";
  ASSERT_TRUE(dlg.SaveScreenshot(path));
  std::string png;
  ASSERT_TRUE(platform::ReadFile(path, png));
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(png.substr(1, 3), "PNG");
}

INSTANTIATE_TEST_SUITE_P(Screens, ScreenshotTest,
                         testing::Values(ShotCase{"96dpi", 96, 12}, ShotCase{"120dpi", 120, 9}),
                         [](const testing::TestParamInfo<ShotCase>& i) { return std::string(i.param.name); });

TEST_F(UiTest, AChildIsPicturedOnlyAsFarAsItsParentShowsIt) {
  Window child;
  ASSERT_TRUE(child.CreateChild(host, RectAt(0, 0, 8000, 18500)));
  std::string path = testing_support::ShotsFolder("ui");
  ASSERT_TRUE(child.SaveScreenshot(path + "/big_child.png"));
  EXPECT_LT(platform::FileSize(path + "/big_child.png"), 1000000);
  Window never;
  EXPECT_FALSE(never.SaveScreenshot(path + "/never.png"));
}

}  // namespace
