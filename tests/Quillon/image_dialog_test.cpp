// The image dialog as a person uses it (driven while its modal loop runs) and as the batch resize uses it:
// set-up in edit and view mode, turns, the recommended size and its preview, confirm and cancel, the panel and
// the picture as painted at 96 and 120 DPI, and pictures of it for people to look at.
#include "CImageDialog.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ImageBuffer.h"
#include "JpegFile.h"
#include "fakes.h"
#include "image_test_support.h"
#include "platform/fault.h"
#include "platform/files.h"
#include "platform/ui/application.h"
#include "platform/ui/driver.h"
#include "quillon_host.h"
#include "test_support.h"

namespace {

namespace ui = platform::ui;
using quillon::CImageBuffer;
using quillon::CImageDialog;
using quillon_test::Params;
using quillon_test::QuillonPage;
using testing_support::ReadRaw;
using testing_support::WriteRaw;

constexpr char kTimeKey[] = "20240501093000";

// The dialog on one photo, with the record and the thumbnail the form would hand it.
struct Subject {
  std::int64_t size = 0;
  CImageDialog::Record record;
  CImageBuffer thumbnail;
  std::unique_ptr<CImageDialog> dlg;
};

struct Options {
  bool editable = true;
  int autoWidth = 600;
  int autoHeight = 480;
  bool staged = true;
  bool withRecord = true;
  bool withThumbnail = true;
};

class ImageDialogTest : public testing::Test {
 protected:
  void SetUp() override { Open(96); }
  void TearDown() override { platform::ClearFaults(); }

  // The control (without a window of its own, so nothing but the dialog runs) on a screen of dpi.
  void Open(int dpi) {
    page.reset();
    env.env.dpiX = env.env.dpiY = dpi;
    page = std::make_unique<QuillonPage>(Params{{"FuncID", "0"}}, false);
  }

  std::string PathFor(const std::string& name, bool staged = true) const {
    return staged ? dir / ("ImageUploadTemp/" + name) : dir / name;
  }

  // A JPEG photo of smooth content, as a camera would leave it.
  std::string Photo(const std::string& name, int width, int height, bool staged = true) {
    const std::string path = PathFor(name, staged);
    EXPECT_TRUE(platform::MakeFolders(dir / "ImageUploadTemp"));
    const image_test::Picture p = image_test::Gradient(width, height);
    EXPECT_EQ(quillon::WriteJpegFile(path, p.rgb.data(), width, height, 90), 1);
    return path;
  }

  std::unique_ptr<Subject> Make(const std::string& name, const Options& o = {}) {
    auto s = std::make_unique<Subject>();
    const std::string path = PathFor(name, o.staged);
    s->size = platform::IsFile(path) ? platform::FileSize(path) : 0;
    s->record = CImageDialog::Record{name, kTimeKey, &s->size, o.editable};
    if (platform::IsFile(path) && s->thumbnail.LoadScaled(path, 194) == 0) {
      s->thumbnail.ConvertTo(quillon::kFormatBitmap);
    }
    messages.Clear();
    s->dlg = std::make_unique<CImageDialog>(*page->ctrl, o.withRecord ? &s->record : nullptr,
                                            o.withThumbnail ? &s->thumbnail : nullptr, dir.path(), o.staged,
                                            o.autoWidth, o.autoHeight);
    return s;
  }

  // Runs the dialog modally; act drives it from inside its loop and must end it. A dialog left open fails the
  // test and is ended with -2.
  int RunModal(CImageDialog& dlg, const std::function<void()>& act) {
    auto alive = std::make_shared<bool>(true);
    bool ran = false;
    ui::PostTask([&, alive] {
      ran = true;
      ui::DispatchPendingMessages();
      act();
      ui::PostTask([alive, &dlg] {
        if (*alive && dlg.IsModal()) {
          ADD_FAILURE() << "the dialog is still open";
          dlg.EndDialog(-2);
        }
      });
    });
    const int result = dlg.DoModal();
    *alive = false;
    EXPECT_TRUE(ran);
    return result;
  }

  static void Click(CImageDialog& dlg, int id) {
    std::string error;
    EXPECT_TRUE(ui::driver::Click(dlg, id, &error)) << id << ": " << testing_support::Show(error);
  }

  // The text painted at (x, y), shown as UTF-8 (compare with Shown).
  static std::string TextAt(const ui::RecordingPainter& p, int x, int y) {
    for (const ui::PaintCall& c : p.Of(ui::PaintOp::Text)) {
      if (c.x == x && c.y == y) return testing_support::Show(c.text);
    }
    return "(none)";
  }
  static std::string Shown(const std::string& cp932) { return testing_support::Show(cp932); }

  static void Dimensions(const std::string& jpeg, int& width, int& height) {
    int components = 0;
    width = height = 0;
    EXPECT_TRUE(quillon::ReadJpegFile(jpeg, width, height, components)) << jpeg;
  }

  testing_support::FakeEnvironmentScope env;
  testing_support::TempFolder dir;
  image_test::RecordedMessages messages;
  std::unique_ptr<QuillonPage> page;
};

std::string Kb(std::int64_t bytes) { return std::to_string((bytes + 1023) / 1024) + " KB"; }

TEST_F(ImageDialogTest, RecommendedSizeWithItsPreview) {
  struct Case {
    const char* name;
    int width, height;
    bool enabled;
    int newWidth, newHeight;
  } cases[] = {
      {"landscape", 2000, 1500, true, 600, 450},
      {"portrait", 1500, 2000, true, 450, 600},
      {"fits", 600, 400, false, 600, 400},
      {"one pixel high stays one pixel", 2000, 2, true, 600, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string photo = Photo("P0001.jpg", c.width, c.height);
    const std::string before = ReadRaw(photo);
    auto s = Make("P0001.jpg");
    CImageDialog& dlg = *s->dlg;
    std::int64_t previewSize = -1;
    const int result = RunModal(dlg, [&] {
      EXPECT_EQ(dlg.IsItemEnabled(CImageDialog::kIdRecommended), c.enabled);
      if (c.enabled) Click(dlg, CImageDialog::kIdRecommended);
      EXPECT_EQ(dlg.WorkingImage()->Width(), c.newWidth);
      EXPECT_EQ(dlg.WorkingImage()->Height(), c.newHeight);
      if (!c.enabled) {
        EXPECT_FALSE(platform::Exists(photo + ".tmp"));
      } else {
        // The preview lies beside the photo, and the panel shows its size until the dialog ends.
        ASSERT_TRUE(platform::IsFile(photo + ".tmp"));
        int w = 0, h = 0;
        Dimensions(photo + ".tmp", w, h);
        EXPECT_EQ(w, c.newWidth);
        EXPECT_EQ(h, c.newHeight);
        previewSize = platform::FileSize(photo + ".tmp");
        EXPECT_EQ(s->size, previewSize);
        ui::RecordingPainter p;
        dlg.Paint(p);
        EXPECT_EQ(TextAt(p, 930, 75), Shown(Kb(previewSize)));
        EXPECT_EQ(TextAt(p, 930, 95),
                  Shown(std::to_string(c.newWidth) + "×" + std::to_string(c.newHeight) + " ピクセル"));
        // Shrunk, the photo can be confirmed but not shrunk again.
        EXPECT_TRUE(dlg.IsItemEnabled(CImageDialog::kIdConfirm));
        EXPECT_FALSE(dlg.IsItemEnabled(CImageDialog::kIdRecommended));
      }
      Click(dlg, CImageDialog::kIdClose);
    });
    EXPECT_EQ(result, ui::kIdCancel);
    // Cancelled: the photo as it was, the record back at its size; the preview stays.
    EXPECT_EQ(ReadRaw(photo), before);
    EXPECT_EQ(s->size, static_cast<std::int64_t>(before.size()));
    EXPECT_EQ(platform::Exists(photo + ".tmp"), c.enabled);
    EXPECT_TRUE(messages.shown.empty());
    platform::DeleteFile(photo + ".tmp");
  }
}

TEST_F(ImageDialogTest, TurnsAndConfirm) {
  struct Case {
    const char* name;
    std::vector<int> clicks;  // before confirm (711, 712, 292)
    bool confirmEnabled;
    bool written;
    int fileWidth, fileHeight;    // the photo afterwards
    int thumbWidth, thumbHeight;  // the form's thumbnail afterwards
  } cases[] = {
      {"nothing done", {}, false, false, 400, 300, 194, 145},
      {"turn and back", {711, 712}, false, false, 400, 300, 194, 145},
      {"four turns", {711, 711, 711, 711}, true, false, 400, 300, 194, 145},
      {"one turn right", {711}, true, true, 300, 400, 145, 194},
      {"three turns left", {712, 712, 712}, true, true, 300, 400, 145, 194},
      {"two turns", {712, 712}, true, true, 400, 300, 194, 145},
      // Smaller than the thumbnail on both sides: the thumbnail becomes the photo itself.
      {"shrunk below the thumbnail", {292}, true, true, 100, 75, 100, 75},
      {"turned and shrunk", {711, 292}, true, true, 75, 100, 75, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string photo = Photo("P0002.jpg", 400, 300);
    const std::string before = ReadRaw(photo);
    const platform::FileTime mtimeBefore = [&] {
      platform::FileTime t{};
      platform::GetFileTimes(photo, nullptr, &t);
      return t;
    }();
    Options o;
    o.autoWidth = 100;
    o.autoHeight = 60;
    auto s = Make("P0002.jpg", o);
    CImageDialog& dlg = *s->dlg;
    ASSERT_EQ(s->thumbnail.Width(), 194);
    const image_test::Picture thumbBefore = image_test::PictureOf(s->thumbnail);
    const int result = RunModal(dlg, [&] {
      EXPECT_FALSE(dlg.IsItemEnabled(CImageDialog::kIdConfirm));
      for (int id : c.clicks) Click(dlg, id);
      EXPECT_EQ(dlg.IsItemEnabled(CImageDialog::kIdConfirm), c.confirmEnabled);
      if (c.confirmEnabled) {
        Click(dlg, CImageDialog::kIdConfirm);
      } else {
        // A disabled button cannot be pressed; confirm it the way the dialog would.
        dlg.EndDialog(ui::kIdOk);
      }
    });
    EXPECT_EQ(result, ui::kIdOk);
    int w = 0, h = 0;
    Dimensions(photo, w, h);
    EXPECT_EQ(w, c.fileWidth);
    EXPECT_EQ(h, c.fileHeight);
    if (!c.written) {
      EXPECT_EQ(ReadRaw(photo), before);
      platform::FileTime mtime{};
      platform::GetFileTimes(photo, nullptr, &mtime);
      EXPECT_EQ(mtime.seconds, mtimeBefore.seconds);
      EXPECT_EQ(mtime.nanoseconds, mtimeBefore.nanoseconds);
      EXPECT_EQ(image_test::PictureOf(s->thumbnail), thumbBefore);
    }
    EXPECT_EQ(s->size, platform::FileSize(photo));
    EXPECT_EQ(s->thumbnail.Width(), c.thumbWidth);
    EXPECT_EQ(s->thumbnail.Height(), c.thumbHeight);
    EXPECT_EQ(s->thumbnail.Format(), quillon::kFormatBitmap);
    EXPECT_TRUE(messages.shown.empty());
    platform::DeleteFile(photo + ".tmp");
  }
}

TEST_F(ImageDialogTest, ATurnedPhotoIsWrittenAsTurned) {
  const std::string photo = Photo("P0003.jpg", 64, 32);
  auto s = Make("P0003.jpg");
  CImageDialog& dlg = *s->dlg;
  CImageBuffer turned;
  ASSERT_EQ(turned.Load(photo, quillon::kImageFileJpeg), 0);
  ASSERT_EQ(turned.Rotate90(true), 0);
  const int result = RunModal(dlg, [&] {
    Click(dlg, CImageDialog::kIdTurnRight);
    ui::RecordingPainter p;
    dlg.Paint(p);
    EXPECT_EQ(TextAt(p, 930, 95), Shown("32×64 ピクセル"));
    Click(dlg, CImageDialog::kIdConfirm);
  });
  EXPECT_EQ(result, ui::kIdOk);
  CImageBuffer written;
  ASSERT_EQ(written.Load(photo, quillon::kImageFileJpeg), 0);
  ASSERT_EQ(written.Width(), 32);
  ASSERT_EQ(written.Height(), 64);
  // A second JPEG generation of the turned picture: close to it, pixel by pixel.
  const image_test::Picture a = image_test::PictureOf(written), b = image_test::PictureOf(turned);
  int worst = 0;
  for (std::size_t i = 0; i < a.rgb.size(); ++i) worst = std::max(worst, std::abs(int(a.rgb[i]) - int(b.rgb[i])));
  EXPECT_LT(worst, 24);
}

TEST_F(ImageDialogTest, CancelOrCloseLeavesThePhoto) {
  struct Case {
    const char* name;
    std::function<void(CImageDialog&)> close;
  } cases[] = {
      {"button", [](CImageDialog& d) { Click(d, CImageDialog::kIdClose); }},
      {"Esc", [](CImageDialog& d) { EXPECT_TRUE(ui::driver::PressKey(d, ui::vk::kEscape)); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string photo = Photo("P0004.jpg", 1200, 900);
    const std::string before = ReadRaw(photo);
    auto s = Make("P0004.jpg");
    const image_test::Picture thumbBefore = image_test::PictureOf(s->thumbnail);
    CImageDialog& dlg = *s->dlg;
    const int result = RunModal(dlg, [&] {
      Click(dlg, CImageDialog::kIdTurnLeft);
      Click(dlg, CImageDialog::kIdRecommended);
      EXPECT_NE(s->size, static_cast<std::int64_t>(before.size()));
      c.close(dlg);
    });
    EXPECT_EQ(result, ui::kIdCancel);
    EXPECT_EQ(ReadRaw(photo), before);
    EXPECT_EQ(s->size, static_cast<std::int64_t>(before.size()));
    EXPECT_EQ(image_test::PictureOf(s->thumbnail), thumbBefore);
    EXPECT_TRUE(messages.shown.empty());
  }
}

TEST_F(ImageDialogTest, SetUpInEditAndViewMode) {
  struct Case {
    const char* name;
    const char* file;  // what the photo file holds: "jpeg", "garbage", or nullptr for none
    Options options;
    const char* title;
    const char* close;
    bool buttonsShown;
    bool valid;
    std::vector<int> messages;
  } cases[] = {
      {"edit", "jpeg", {}, "画像編集", "キャンセル", true, true, {}},
      {"view", "jpeg", {.editable = false}, "画像拡大", "閉じる", false, true, {}},
      {"view of the image folder", "jpeg", {.editable = false, .staged = false}, "画像拡大", "閉じる", false, true, {}},
      {"missing photo", nullptr, {}, "画像編集", "閉じる", true, false, {quillon::kMsgImageMissing}},
      {"unreadable photo", "garbage", {}, "画像編集", "閉じる", true, false, {quillon::kMsgImageUnreadable}},
      {"no record", "jpeg", {.withRecord = false}, "画像拡大", "閉じる", false, false, {quillon::kMsgImageMissing}},
      {"no thumbnail", "jpeg", {.withThumbnail = false}, "画像編集", "閉じる", true, false,
       {quillon::kMsgImageMissing}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string name = std::string("P") + std::to_string(&c - cases) + ".jpg";
    const std::string path = PathFor(name, c.options.staged);
    if (c.file && std::string(c.file) == "jpeg") Photo(name, 320, 240, c.options.staged);
    if (c.file && std::string(c.file) == "garbage") {
      ASSERT_TRUE(platform::MakeFolders(dir / "ImageUploadTemp"));
      WriteRaw(path, "not a JPEG at all");
    }
    auto s = Make(name, c.options);
    CImageDialog& dlg = *s->dlg;
    const int result = RunModal(dlg, [&] {
      EXPECT_EQ(dlg.Text(), c.title);
      EXPECT_EQ(dlg.ItemText(CImageDialog::kIdClose), c.close);
      EXPECT_EQ(dlg.IsImageValid(), c.valid);
      EXPECT_EQ(dlg.PhotoPath(), c.options.withRecord && c.options.withThumbnail ? path : "");
      for (int id : {CImageDialog::kIdTurnRight, CImageDialog::kIdTurnLeft, CImageDialog::kIdRecommended,
                     CImageDialog::kIdConfirm}) {
        EXPECT_EQ(dlg.IsItemVisible(id), c.buttonsShown) << id;
        // Only a valid photo offers a change; a 320 × 240 photo fits and has nothing to confirm yet.
        const bool enabled = c.valid && (id == CImageDialog::kIdTurnRight || id == CImageDialog::kIdTurnLeft);
        if (c.buttonsShown) {
          EXPECT_EQ(dlg.IsItemEnabled(id), enabled) << id;
        }
      }
      EXPECT_TRUE(dlg.IsItemEnabled(CImageDialog::kIdClose));
      Click(dlg, CImageDialog::kIdClose);
    });
    EXPECT_EQ(result, ui::kIdCancel);
    EXPECT_EQ(messages.Ids(), c.messages);
    if (c.messages == std::vector<int>{quillon::kMsgImageMissing}) {
      EXPECT_EQ(messages.shown[0].second, c.options.withRecord ? name : "");
    }
    if (c.messages == std::vector<int>{quillon::kMsgImageUnreadable}) {
      EXPECT_EQ(messages.shown[0].second, path);
    }
  }
}

TEST_F(ImageDialogTest, ANameWithAnAmpersand) {
  const std::string photo = Photo("A&B.jpg", 64, 48);
  auto s = Make("A&B.jpg");
  CImageDialog& dlg = *s->dlg;
  RunModal(dlg, [&] {
    EXPECT_TRUE(dlg.IsImageValid());
    EXPECT_EQ(dlg.PhotoPath(), photo);
    // Doubled, so that the label shows the ampersand itself and no mnemonic.
    EXPECT_EQ(dlg.ItemText(CImageDialog::kIdFileName), "A&&B.jpg");
    Click(dlg, CImageDialog::kIdClose);
  });
}

// The panel as the control draws it, moved to the right of the picture area (by 450 pixels at 96 DPI and 352 at
// 120), and the picture fitted into its area.
TEST_F(ImageDialogTest, PaintingGeometry) {
  struct Panel {
    ui::Rect frame;
    ui::Rect bars[3];
    int headingX;
    int headingY[3];
    int textX;
  };
  const Panel at96{{920, 1, 1275, 320},
                   {{921, 2, 1274, 27}, {921, 130, 1274, 155}, {921, 215, 1274, 240}},
                   925,
                   {5, 133, 218},
                   930};
  const Panel at120{{770, 1, 1073, 300},
                    {{771, 2, 1072, 27}, {771, 120, 1072, 145}, {771, 200, 1072, 225}},
                    775,
                    {5, 123, 203},
                    780};
  struct Case {
    const char* name;
    int dpi;
    bool editable;
    int width, height;
    ui::Rect area;
    ui::Rect bitmap;
  } cases[] = {
      {"landscape 96", 96, true, 2000, 1500, {0, 0, 900, 500}, {117, 0, 783, 500}},
      {"landscape 120", 120, true, 2000, 1500, {0, 0, 750, 500}, {42, 0, 708, 500}},
      {"small keeps its size", 96, true, 300, 200, {0, 0, 900, 500}, {300, 150, 600, 350}},
      {"as wide as the area", 96, true, 900, 300, {0, 0, 900, 500}, {0, 100, 900, 400}},
      {"tall", 96, false, 400, 1000, {0, 0, 900, 500}, {350, 0, 550, 500}},
      {"wide, view mode at 120", 120, false, 2000, 100, {0, 0, 750, 500}, {0, 231, 750, 268}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Open(c.dpi);
    Photo("P0005.jpg", c.width, c.height);
    Options o;
    o.editable = c.editable;
    auto s = Make("P0005.jpg", o);
    CImageDialog& dlg = *s->dlg;
    const Panel& panel = c.dpi == 96 ? at96 : at120;
    RunModal(dlg, [&] {
      ui::RecordingPainter p;
      dlg.Paint(p);
      const auto fills = p.Of(ui::PaintOp::Fill);
      const auto frames = p.Of(ui::PaintOp::Frame);
      const auto texts = p.Of(ui::PaintOp::Text);
      const auto bitmaps = p.Of(ui::PaintOp::Bitmap);
      ASSERT_EQ(bitmaps.size(), 1u);
      EXPECT_EQ(bitmaps[0].rect, c.bitmap) << ui::Describe(bitmaps[0]);
      EXPECT_EQ(bitmaps[0].bitmapWidth, c.width);
      EXPECT_EQ(bitmaps[0].bitmapHeight, c.height);
      ASSERT_FALSE(fills.empty());
      EXPECT_EQ(fills.back().rect, c.area);
      EXPECT_EQ(fills.back().colour, ui::Rgb(212, 208, 200));
      EXPECT_EQ(dlg.ItemRect(CImageDialog::kIdPicture), c.area);
      ASSERT_EQ(frames.size(), 1u);
      EXPECT_EQ(frames[0].rect, panel.frame);
      EXPECT_EQ(frames[0].colour, ui::Rgb(0, 0, 0));
      EXPECT_EQ(fills.front().rect, panel.frame);
      EXPECT_EQ(fills.front().colour, ui::Rgb(255, 255, 255));
      EXPECT_EQ(dlg.ItemRect(CImageDialog::kIdInfoPanel), panel.frame);
      std::vector<ui::Rect> bars;
      for (const ui::PaintCall& f : fills) {
        if (f.colour == ui::Rgb(102, 204, 255)) bars.push_back(f.rect);
      }
      if (!c.editable) {
        // The name alone under its heading: no information texts, no headings of the hidden buttons.
        EXPECT_EQ(bars, std::vector<ui::Rect>{panel.bars[0]});
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(TextAt(p, panel.headingX, panel.headingY[0]), Shown("画像ファイル情報"));
        Click(dlg, CImageDialog::kIdClose);
        return;
      }
      EXPECT_EQ(bars, (std::vector<ui::Rect>{panel.bars[0], panel.bars[1], panel.bars[2]}));
      const char* headings[] = {"画像ファイル情報", "画像の回転", "画像のサイズ変更"};
      for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(TextAt(p, panel.headingX, panel.headingY[i]), Shown(headings[i]));
      }
      EXPECT_EQ(TextAt(p, panel.textX, 55), Shown("2024/05/01 09:30:00"));
      EXPECT_EQ(TextAt(p, panel.textX, 75), Shown(Kb(s->size)));
      EXPECT_EQ(TextAt(p, panel.textX, 95),
                Shown(std::to_string(c.width) + "×" + std::to_string(c.height) + " ピクセル"));
      for (const ui::PaintCall& t : texts) {
        const bool heading = t.y == panel.headingY[0] || t.y == panel.headingY[1] || t.y == panel.headingY[2];
        EXPECT_EQ(t.font.face, "ＭＳ Ｐゴシック");
        EXPECT_EQ(t.font.weight, heading ? 700 : 400) << testing_support::Show(t.text);
        EXPECT_EQ(t.colour, ui::Rgb(0, 0, 0));
        // The information texts are drawn on white, the headings on their bars.
        EXPECT_EQ(t.transparent, heading);
        if (!heading) {
          EXPECT_EQ(t.background, ui::Rgb(255, 255, 255));
        }
      }
      // Every control of the panel lies inside the dialog, the turns and the size under their headings inside
      // the frame, and no two controls overlap.
      const ui::Rect client = dlg.ClientRect();
      const int ids[] = {CImageDialog::kIdFileName, CImageDialog::kIdTurnRight, CImageDialog::kIdTurnLeft,
                         CImageDialog::kIdRecommended, CImageDialog::kIdConfirm, CImageDialog::kIdClose};
      for (int id : ids) {
        const ui::Rect r = dlg.ItemRect(id);
        EXPECT_TRUE(r.left >= panel.frame.left && r.right <= client.right && r.bottom <= client.bottom) << id;
        for (int other : ids) {
          const ui::Rect q = dlg.ItemRect(other);
          const bool overlap = r.left < q.right && q.left < r.right && r.top < q.bottom && q.top < r.bottom;
          if (other != id) {
            EXPECT_FALSE(overlap) << id << " and " << other;
          }
        }
      }
      for (int id : {CImageDialog::kIdTurnRight, CImageDialog::kIdTurnLeft}) {
        EXPECT_GE(dlg.ItemRect(id).top, panel.bars[1].bottom);
        EXPECT_LE(dlg.ItemRect(id).bottom, panel.bars[2].top);
      }
      EXPECT_GE(dlg.ItemRect(CImageDialog::kIdRecommended).top, panel.bars[2].bottom);
      EXPECT_LE(dlg.ItemRect(CImageDialog::kIdRecommended).bottom, panel.frame.bottom);
      Click(dlg, CImageDialog::kIdClose);
    });
    platform::DeleteFile(PathFor("P0005.jpg"));
  }
}

TEST_F(ImageDialogTest, SizeInKilobytesRoundsUp) {
  Photo("P0006.jpg", 16, 16);
  auto s = Make("P0006.jpg");
  ASSERT_EQ(s->dlg->SetUpForBatch(), 0);
  const struct {
    std::int64_t bytes;
    const char* text;
  } cases[] = {{0, "0 KB"}, {1, "1 KB"}, {1024, "1 KB"}, {1025, "2 KB"}, {5LL << 32, "20971520 KB"}};
  for (const auto& c : cases) {
    s->size = c.bytes;
    ui::RecordingPainter p;
    s->dlg->Paint(p);
    EXPECT_EQ(TextAt(p, 930, 75), Shown(c.text)) << c.bytes;
  }
}

TEST_F(ImageDialogTest, BatchStep) {
  struct Case {
    const char* name;
    int width, height;
    Options options;
    int renameFault;  // the nth rename from the step on fails (every one from it with a negative number)
    int result;
    int fileWidth, fileHeight;
    std::vector<int> messages;
  } cases[] = {
      {"shrinks a large photo", 2000, 1500, {}, 0, 1, 600, 450, {}},
      {"portrait", 1500, 2000, {.autoWidth = 480, .autoHeight = 600}, 0, 1, 450, 600, {}},
      {"a very wide one keeps a row", 3000, 2, {}, 0, 1, 600, 1, {}},
      {"fits already", 600, 400, {}, 0, 0, 600, 400, {}},
      {"limit 0", 2000, 1500, {.autoWidth = 0, .autoHeight = 0}, 0, 0, 2000, 1500, {}},
      {"negative limit", 2000, 1500, {.autoWidth = -5, .autoHeight = -600}, 0, 0, 2000, 1500, {}},
      {"not editable", 2000, 1500, {.editable = false}, 0, 0, 2000, 1500, {}},
      {"the preview cannot be written", 2000, 1500, {}, -1, 0, 2000, 1500, {quillon::kMsgImageNotSaved}},
      {"the photo cannot be written", 2000, 1500, {}, 2, 0, 2000, 1500, {quillon::kMsgImageNotSaved}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string photo = Photo("P0007.jpg", c.width, c.height);
    const std::string before = ReadRaw(photo);
    auto s = Make("P0007.jpg", c.options);
    const image_test::Picture thumbBefore = image_test::PictureOf(s->thumbnail);
    ASSERT_EQ(s->dlg->SetUpForBatch(), 0);
    EXPECT_FALSE(s->dlg->IsCreated());
    if (c.renameFault > 0) platform::FailNthCall(platform::FileOp::Rename, c.renameFault);
    if (c.renameFault < 0) platform::FailFromCall(platform::FileOp::Rename, 1);
    EXPECT_EQ(s->dlg->ApplyRecommendedSize(), c.result);
    platform::ClearFaults();
    int w = 0, h = 0;
    Dimensions(photo, w, h);
    EXPECT_EQ(w, c.fileWidth);
    EXPECT_EQ(h, c.fileHeight);
    EXPECT_EQ(s->size, platform::FileSize(photo));
    if (c.result == 0) {
      EXPECT_EQ(ReadRaw(photo), before);
      EXPECT_EQ(image_test::PictureOf(s->thumbnail), thumbBefore);
    }
    EXPECT_EQ(messages.Ids(), c.messages);
    platform::DeleteFile(photo + ".tmp");
  }
}

TEST_F(ImageDialogTest, BatchStepOnAMissingPhoto) {
  auto s = Make("gone.jpg");
  ASSERT_EQ(s->dlg->SetUpForBatch(), 0);
  EXPECT_EQ(messages.Ids(), std::vector<int>{quillon::kMsgImageMissing});
  EXPECT_EQ(s->dlg->ApplyRecommendedSize(), 0);
  EXPECT_FALSE(platform::Exists(PathFor("gone.jpg") + ".tmp"));
}

TEST_F(ImageDialogTest, AFailedConfirmKeepsTheDialogOpen) {
  const std::string photo = Photo("P0008.jpg", 200, 100);
  const std::string before = ReadRaw(photo);
  auto s = Make("P0008.jpg");
  const image_test::Picture thumbBefore = image_test::PictureOf(s->thumbnail);
  CImageDialog& dlg = *s->dlg;
  const int result = RunModal(dlg, [&] {
    Click(dlg, CImageDialog::kIdTurnRight);
    platform::FailNthCall(platform::FileOp::Rename, 1);
    Click(dlg, CImageDialog::kIdConfirm);
    platform::ClearFaults();
    EXPECT_TRUE(dlg.IsModal());
    EXPECT_EQ(messages.Ids(), std::vector<int>{quillon::kMsgImageNotSaved});
    EXPECT_EQ(ReadRaw(photo), before);
    EXPECT_EQ(image_test::PictureOf(s->thumbnail), thumbBefore);
    // Tried again, it goes through.
    Click(dlg, CImageDialog::kIdConfirm);
  });
  EXPECT_EQ(result, ui::kIdOk);
  int w = 0, h = 0;
  Dimensions(photo, w, h);
  EXPECT_EQ(w, 100);
  EXPECT_EQ(h, 200);
  EXPECT_EQ(s->thumbnail.Width(), 97);
  EXPECT_EQ(s->thumbnail.Height(), 194);
}

TEST_F(ImageDialogTest, OutOfMemoryChangesNothing) {
  struct Case {
    const char* name;
    std::vector<int> before;  // clicks before memory runs out
    int click;                // the click that finds no memory
  } cases[] = {
      {"turn", {}, CImageDialog::kIdTurnRight},
      {"recommended size", {}, CImageDialog::kIdRecommended},
      {"confirm", {CImageDialog::kIdTurnLeft}, CImageDialog::kIdConfirm},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string photo = Photo("P0009.jpg", 800, 600);
    const std::string before = ReadRaw(photo);
    auto s = Make("P0009.jpg");
    CImageDialog& dlg = *s->dlg;
    const int result = RunModal(dlg, [&] {
      for (int id : c.before) Click(dlg, id);
      const int turns = dlg.TurnCount();
      const int width = dlg.WorkingImage()->Width();
      quillon::FailNthPixelAllocation(1);
      Click(dlg, c.click);
      quillon::FailNthPixelAllocation(0);
      EXPECT_EQ(messages.Ids(), std::vector<int>{quillon::kMsgOutOfMemory});
      EXPECT_TRUE(dlg.IsModal());
      EXPECT_EQ(dlg.TurnCount(), turns);
      EXPECT_EQ(dlg.WorkingImage()->Width(), width);
      EXPECT_TRUE(dlg.IsImageValid());
      Click(dlg, CImageDialog::kIdClose);
    });
    EXPECT_EQ(result, ui::kIdCancel);
    EXPECT_EQ(ReadRaw(photo), before);
    EXPECT_FALSE(platform::Exists(photo + ".tmp"));
    EXPECT_EQ(s->size, static_cast<std::int64_t>(before.size()));
    messages.Clear();
  }
}

// Pictures for people to look at: edit and view mode, 96 and 120 DPI.
TEST_F(ImageDialogTest, Screenshots) {
  const std::string shots = testing_support::ShotsFolder("quillon");
  for (int dpi : {96, 120}) {
    for (bool editable : {true, false}) {
      Open(dpi);
      Photo("見積写真 A&B.jpg", 1600, 1200);
      Options o;
      o.editable = editable;
      auto s = Make("見積写真 A&B.jpg", o);
      CImageDialog& dlg = *s->dlg;
      const std::string path =
          shots + "/image_dialog_" + (editable ? "edit_" : "view_") + std::to_string(dpi) + "dpi.png";
      RunModal(dlg, [&] {
        if (editable) Click(dlg, CImageDialog::kIdTurnRight);
        ui::DispatchPendingMessages();
        EXPECT_TRUE(dlg.SaveScreenshot(path));
        Click(dlg, CImageDialog::kIdClose);
      });
      EXPECT_GT(platform::FileSize(path), 1000);
    }
  }
}

}  // namespace
