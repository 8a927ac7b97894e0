// What the photo-list form's tests share: a page whose control shows the form, with its browser a fake, its
// message boxes answered by script, photographs written in the test with chosen times, and the texts of the
// messages the form showed.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CFormDialog.h"
#include "CQuillonCtrl.h"
#include "ControlMessage.h"
#include "ImageMessages.h"
#include "JpegFile.h"
#include "MessageText.h"
#include "QuillonStrings.h"
#include "fakes.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/ui/driver.h"
#include "platform/web/browser_control.h"
#include "fake_browser.h"
#include "quillon_host.h"
#include "test_support.h"

namespace quillon {
// Reaches what the form keeps to itself: its handlers, and its cached frames.
class CFormDialogTestAccess {
 public:
  static void LButtonDown(CFormDialog& form, int x, int y) { form.OnLButtonDown(x, y); }
  static void Drop(CFormDialog& form, const std::vector<std::string>& paths) { form.OnDropFiles(paths); }
  static void DownloadButton(CFormDialog& form, int slot) { form.OnDownloadButton(slot); }
  static platform::ui::Rect Cell(const CFormDialog& form, int c) { return form.m_rcCells[c]; }
  static platform::ui::Rect RowPicture(const CFormDialog& form, int r) { return form.m_rcRowPictures[r]; }
};
}  // namespace quillon

namespace form_test {

namespace ui = platform::ui;
using quillon::CFormDialog;
using quillon_test::Params;
using quillon_test::QuillonPage;

// The text of message id of the control's string table with its arguments, as a box shows it.
inline std::string Message(int id, const std::vector<controls::MessageArg>& args = {}) {
  return controls::FormatMessageText(quillon::LoadString(id), args);
}

// A JPEG file of width × height (smooth colours) at path, last written at the given local time (year 0: now).
inline void WritePhoto(const std::string& path, int width = 64, int height = 48, int year = 2024, int month = 5,
                       int day = 1, int hour = 9, int minute = 30, int second = 0) {
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3;
      p[0] = static_cast<std::uint8_t>(x * 255 / std::max(1, width - 1));
      p[1] = static_cast<std::uint8_t>(y * 255 / std::max(1, height - 1));
      p[2] = 160;
    }
  }
  ASSERT_EQ(quillon::WriteJpegFile(path, rgb.data(), width, height, 80), 1) << path;
  if (year == 0) return;
  platform::LocalTime local{year, month, day, hour, minute, second};
  platform::FileTime time;
  ASSERT_TRUE(platform::LocalToFileTime(local, time));
  ASSERT_TRUE(platform::SetFileTimes(path, nullptr, &time));
}

inline void SetLastWrite(const std::string& path, int year, int month = 1, int day = 1, int hour = 12) {
  platform::LocalTime local{year, month, day, hour, 0, 0};
  platform::FileTime time;
  ASSERT_TRUE(platform::LocalToFileTime(local, time));
  ASSERT_TRUE(platform::SetFileTimes(path, nullptr, &time));
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  ASSERT_TRUE(platform::WriteFile(path, bytes.data(), bytes.size())) << path;
}

// A page with the photo control, its form's browser a fake. The image code's messages go to the control's
// message box, as the module sends them.
class FormPage {
 public:
  explicit FormPage(Params params, bool create = true, ui::Rect host = ui::RectAt(0, 0, 1500, 1900)) {
    quillon::SetImageMessageSink([](int id, const std::string& argument) {
      controls::ShowTableMessage(quillon::StringTable(), id, ui::BoxIcon::Stop, {argument});
    });
    // The form makes its browser first, the upload dialog its own after it.
    maker_ = std::make_unique<platform::web::BrowserMakerScope>([this] {
      auto made = std::make_unique<platform::web::FakeBrowser>();
      if (!browser) browser = made.get();
      return made;
    });
    if (!params.count("MaxViewFileNum")) params["MaxViewFileNum"] = "100";
    if (!params.count("MaxByte")) params["MaxByte"] = "20480";
    page = std::make_unique<QuillonPage>(params, false);
    if (create) Create(host);
  }
  ~FormPage() {
    page.reset();
    maker_.reset();
    quillon::SetImageMessageSink({});
  }

  void Create(ui::Rect host = ui::RectAt(0, 0, 1500, 1900)) {
    page->CreateWindow(host);
    ui::DispatchPendingMessages();
  }

  quillon::CQuillonCtrl& ctrl() const { return *page->ctrl; }
  CFormDialog& form() const { return *page->ctrl->FormDialog(); }
  ui::ScriptedServices& services() const { return page->services; }

  // The texts of the message boxes shown so far (and forgets them).
  std::vector<std::string> Boxes() {
    std::vector<std::string> texts;
    for (const auto& r : services().Requests()) {
      if (r.kind == ui::ScriptedServices::Kind::MessageBox) texts.push_back(r.box.text);
    }
    services().ClearRequests();
    return texts;
  }

  // Clicks a control of the form as a person would; the step must be possible.
  void Click(int id) {
    std::string error;
    EXPECT_TRUE(ui::driver::Click(form(), id, &error)) << id << ": " << testing_support::Show(error);
  }
  void Type(int id, const std::string& text) {
    std::string error;
    EXPECT_TRUE(ui::driver::Type(form(), id, text, &error)) << id << ": " << testing_support::Show(error);
  }
  // Shows folder in the folder box.
  void ShowFolder(const std::string& folder) {
    Type(206, folder);
    Click(229);
  }

  std::string SystemFolder() const { return ctrl().GetSystemFolder(); }

  std::unique_ptr<platform::web::BrowserMakerScope> maker_;
  std::unique_ptr<QuillonPage> page;
  platform::web::FakeBrowser* browser = nullptr;  // the form's
};

// The photo folder of a test with n photographs named p01.jpg ... (each a minute newer than the one before).
inline std::vector<std::string> MakePhotos(const testing_support::TempFolder& folder, int n, int width = 64,
                                           int height = 48) {
  std::vector<std::string> paths;
  for (int i = 1; i <= n; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "p%02d.jpg", i);
    std::string path = folder / name;
    WritePhoto(path, width, height, 2024, 5, 1, 9, i % 60, 0);
    paths.push_back(path);
  }
  return paths;
}

// An estimate file at path (ASCII) whose image folder holds the given photographs (name, width, height), its
// cabinet made by gcab and its head by the independent generator.
inline bool MakeEstimate(const std::string& path, const std::vector<std::string>& photoNames) {
  const std::string stage = path + ".stage";
  std::filesystem::create_directories(stage + "/Image");
  std::string files;
  for (const std::string& name : photoNames) {
    WritePhoto(stage + "/Image/" + name, 80, 60);
    files += " 'Image/" + name + "'";
  }
  const std::string cab = path + ".cab";
  bool ok = std::system(("cd '" + stage + "' && gcab -c -z '" + cab + "'" + files).c_str()) == 0;
  const std::string json = R"({"header_info": {"AcceptNo": "受付0001", "CustomerName": "山田　太郎"}})";
  ok = ok && testing_support::MakeVek(json, path, cab);
  std::filesystem::remove_all(stage);
  std::filesystem::remove(cab);
  std::filesystem::remove(path + ".json");
  return ok;
}

}  // namespace form_test
