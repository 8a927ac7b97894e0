// Pictures of the photo-list form at 96 and 120 DPI, with a page of thumbnails, a filled registration list, a
// comment and both attachment slots, written into the build's picture folder to be looked at.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "FormIds.h"
#include "JpegFile.h"
#include "form_test_support.h"
#include "platform/files.h"
#include "qt_probe.h"

namespace {

using namespace form_test;
using namespace quillon::form_ids;
using testing_support::TempFolder;

// A photograph-like picture: a sky, a ground and a round shape, in colours that differ by seed.
void WriteScene(const std::string& path, int width, int height, int seed) {
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
  const int cx = width * (2 + seed % 5) / 8, cy = height * 2 / 5, r = std::min(width, height) / 5;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3;
      const bool ground = y > height * 3 / 5;
      const bool disc = (x - cx) * (x - cx) + (y - cy) * (y - cy) < r * r;
      if (disc) {
        p[0] = static_cast<std::uint8_t>(200 + seed * 17 % 55);
        p[1] = static_cast<std::uint8_t>(60 + seed * 37 % 120);
        p[2] = static_cast<std::uint8_t>(40 + seed * 23 % 80);
      } else if (ground) {
        p[0] = static_cast<std::uint8_t>(70 + seed * 11 % 60);
        p[1] = static_cast<std::uint8_t>(110 + y * 60 / height);
        p[2] = 60;
      } else {
        p[0] = static_cast<std::uint8_t>(110 + y * 80 / height);
        p[1] = static_cast<std::uint8_t>(150 + y * 60 / height);
        p[2] = static_cast<std::uint8_t>(230 - seed * 7 % 40);
      }
    }
  }
  ASSERT_EQ(quillon::WriteJpegFile(path, rgb.data(), width, height, 85), 1);
}

void Picture(int dpi) {
  TempFolder photos, docs;
  for (int i = 1; i <= 17; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "IMG_%04d.jpg", 1200 + i);
    const bool portrait = i % 5 == 0;
    WriteScene(photos / name, portrait ? 300 : 400, portrait ? 400 : 300, i);
  }
  WriteBytes(docs / "見積書_2024-05.pdf", std::string(180000, 'p'));
  testing_support::FakeEnvironmentScope env;
  env.env.profileFolder = std::getenv("HOME");
  env.env.tempFolder = photos.path();
  env.env.dpiX = env.env.dpiY = dpi;
  FormPage page(Params{{"ImageFolder", photos.path()}, {"MaxByte", "3000"}, {"DBComment", "左前部の損傷、バンパー交換"},
                       {"ImageHistory1", photos.path()}, {"ImageHistory2", "/home/user/写真/2024"}});
  CFormDialog& form = page.form();
  for (int cell : {0, 2, 3, 6, 9}) ASSERT_EQ(form.AddPhotoToRegistration(cell, CFormDialog::kFromFolderPage), 1);
  page.Type(kAttachEdit, docs / "見積書_2024-05.pdf");
  page.Click(kAttachAdd);
  page.Click(kRowChecks[1]);
  page.Boxes();
  ui::DispatchPendingMessages();
  const std::string file = testing_support::ShotsFolder("quillon") + "/quillon_form_" + std::to_string(dpi) + ".png";
  platform::DeleteFile(file);
  ASSERT_TRUE(form.SaveScreenshot(file)) << file;
  // A picture of the whole form as the page shows it, not an empty or one-coloured one.
  EXPECT_GT(platform::FileSize(file), 10000) << file;
  const ui_probe::Picture picture = ui_probe::LoadPicture(file);
  EXPECT_GE(picture.width, 600) << file;
  EXPECT_GE(picture.height, 600) << file;
  EXPECT_GT(picture.colours, 1) << file;
}

TEST(FormScreenshot, At96Dpi) { Picture(96); }
TEST(FormScreenshot, At120Dpi) { Picture(120); }

}  // namespace
