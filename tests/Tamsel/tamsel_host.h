// A page for the selection control's tests: the control made from the module's own factory with the page's
// PARAM values on a host window, the events it fires, message boxes and the folder picker answered by the
// scripted services; the fake header library in place of "OvSvInfo.dll"; a profile folder of the test's own.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "CTamselCtrl.h"
#include "CUploadDialog.h"
#include "CVekSelectDialog.h"
#include "MessageText.h"
#include "TamselLib.h"
#include "TamselStrings.h"
#include "control_page.h"
#include "fakes.h"
#include "platform/clock.h"
#include "platform/com/connection.h"
#include "platform/com/control_window.h"
#include "platform/com/dispatch.h"
#include "platform/com/property_bag.h"
#include "platform/files.h"
#include "platform/ui/application.h"
#include "platform/ui/services.h"
#include "platform/ui/window.h"
#include "test_support.h"

namespace tamsel_test {

namespace com = platform::com;
namespace ui = platform::ui;

using Params = testing_support::Params;
using Event = testing_support::ControlEvent;

inline com::Module& TestModule() {
  static com::Module module(tamsel::TamselModuleInfo());
  return module;
}

// The texts of a registration string, split at its TABs.
inline std::vector<std::string> Fields(const std::string& regist) {
  std::vector<std::string> out(1);
  for (char c : regist) {
    if (c == '\t') {
      out.emplace_back();
    } else {
      out.back() += c;
    }
  }
  return out;
}

// The fake header library in a folder of its variant ("ovsvinfo", "ovsvinfo-unloadable",
// "ovsvinfo-without-<Function>"), answering as its control file says, recording its calls.
class FakeHeaderLibrary {
 public:
  explicit FakeHeaderLibrary(const std::string& variant = "ovsvinfo")
      : folder_(std::string(OVSVINFO_FAKE_DIR) + "/../" + variant),
        modulePath_("VEK_MODULE_PATH", folder_.c_str()),
        fakeState_("VEK_FAKE_OUTSIDE", state_.path().c_str()) {
    Control("");
  }

  // A new scenario: the control file's lines, and no calls recorded yet. Unless the lines speak of the data
  // path, the library names none, so that the host's Vek2Folder counts.
  void Control(const std::string& lines) {
    std::remove((state_ / "calls.log").c_str());
    const bool dataPath = lines.find("DataPath") != std::string::npos;
    testing_support::WriteRaw(state_ / "control.txt", lines + (dataPath ? "" : "OvSvInfo.OvGetDataPath=1\n"));
  }
  // The logged calls of one function, each its arguments and result separated by TABs.
  std::vector<std::string> Calls(const std::string& function) const {
    std::vector<std::string> out;
    std::string log = testing_support::ReadRaw(state_ / "calls.log");
    std::size_t at = 0;
    const std::string head = "OvSvInfo\t" + function + "\t";
    while (at < log.size()) {
      std::size_t end = log.find('\n', at);
      std::string line = log.substr(at, end - at);
      if (line.compare(0, head.size(), head) == 0) out.push_back(line.substr(head.size()));
      at = end == std::string::npos ? log.size() : end + 1;
    }
    return out;
  }

 private:
  testing_support::TempFolder state_;
  std::string folder_;
  testing_support::EnvVarScope modulePath_, fakeState_;
};

// A test's machine: a profile folder of its own (the control's system folder lies in it), the screen's DPI.
class TamselTest : public ::testing::Test {
 protected:
  TamselTest() {
    ui::EnsureApplication(true);
    env.env.profileFolder = root / "home";
    platform::MakeFolders(env.env.profileFolder);
  }
  // The control's extract folder.
  std::string ExtractFolder() const { return root / "home/zentrovia/VekExtractTemp"; }
  // count estimate files "prefix%02d.vek" in folder, the later ones newer by a minute each.
  std::vector<std::string> MakeFiles(const std::string& folder, int count, const std::string& prefix = "e",
                                     std::int64_t firstTime = 1714550000) {
    platform::MakeFolders(folder);
    std::vector<std::string> paths;
    for (int i = 1; i <= count; ++i) {
      char name[64];
      std::snprintf(name, sizeof name, "%s%02d.vek", prefix.c_str(), i);
      std::string path = folder + "/" + name;
      SetFile(path, "estimate " + std::string(name), firstTime + 60 * i);
      paths.push_back(path);
    }
    return paths;
  }
  static void SetFile(const std::string& path, const std::string& bytes, std::int64_t seconds) {
    EXPECT_TRUE(platform::WriteFile(path, bytes.data(), bytes.size()));
    platform::FileTime time{seconds, 0};
    EXPECT_TRUE(platform::SetFileTimes(path, nullptr, &time));
  }

  testing_support::TempFolder root;
  testing_support::FakeEnvironmentScope env;
  testing_support::EnvVarScope tz{"TZ", "Asia/Tokyo"};
};

// One control on a host window.
class TamselPage : public testing_support::ControlPage<tamsel::CTamselCtrl> {
 public:
  explicit TamselPage(const Params& params, bool withWindow = true)
      : ControlPage(TestModule(), tamsel::kIidDTamselEvents, params) {
    if (withWindow) CreateWindow();
  }
  void CreateWindow(int width = 1300, int height = 700) { ControlPage::CreateWindow(width, height); }

  // The page as large as the dialogs' templates, so that a screenshot shows a whole dialog.
  void FitToDialog() {
    const ui::Rect size = Select().MapDialogRect(ui::RectAt(0, 0, 350, 195));
    ctrl->Move(ui::RectAt(0, 0, size.Width(), size.Height()));
    host.Move(ui::RectAt(0, 0, size.Width(), size.Height()));
    ui::DispatchPendingMessages();
  }

  tamsel::CVekSelectDialog& Select() { return *ctrl->SelectDialog(); }
  tamsel::CUploadDialog& Upload() { return *ctrl->UploadDialog(); }

  // The first paint of the selection dialog, and what it leaves to do right after.
  void FirstPaint() {
    ui::RecordingPainter painter;
    Select().Paint(painter);
    ui::DispatchPendingMessages();
  }

  // The registration strings of the OnCallRegist events so far (each checked for its TAB delimiter).
  std::vector<std::string> Regists() const {
    std::vector<std::string> out;
    for (const Event& e : events) {
      if (e.id != 3) continue;
      EXPECT_EQ(e.args.at(0).AsText(), "\t");
      out.push_back(e.args.at(1).AsText());
    }
    return out;
  }
  // The message boxes asked so far, their texts.
  std::vector<std::string> Boxes() const {
    std::vector<std::string> out;
    for (const auto& r : services.Requests()) {
      if (r.kind == ui::ScriptedServices::Kind::MessageBox) out.push_back(r.box.text);
    }
    return out;
  }
};

// Message id of the control's table with its arguments, as a box shows it.
inline std::string Message(int id, const std::vector<controls::MessageArg>& args = {}) {
  return controls::FormatMessageText(tamsel::LoadString(id), args);
}

}  // namespace tamsel_test
