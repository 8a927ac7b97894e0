// What the window layer's tests share: a shown host window, a dialog that logs every handler, and a template
// with every kind of control.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "fakes.h"
#include "platform/ui/dialog.h"
#include "platform/ui/services.h"

namespace ui_test {

// Ids of the test template's controls.
enum : int {
  kLabel = 101,
  kLabelCentre = 102,
  kLabelRight = 103,
  kEdit = 201,
  kMultiEdit = 202,
  kReadOnlyEdit = 203,
  kBrowse = 301,
  kCheck = 401,
  kCombo = 501,
  kList = 601,
  kProgress = 701,
  kLink = 801,
  kPicture = 802,
  kGroup = 803,
  kBrowser = 804,
};

// A dialog with every kind of control; font "ＭＳ Ｐゴシック" 12 as written (tests re-font it).
platform::ui::DialogTemplate TestTemplate();

// Every handler call as a line, e.g. "command 201 0x300", "lbutton 250 180", "list 601 changed 2 0->3".
class LoggingDialog : public platform::ui::Dialog {
 public:
  std::vector<std::string> log;
  std::map<int, platform::ui::ControlColors> colours;  // what OnCtlColor gives, by id (0: the dialog)
  std::map<int, platform::ui::Colour> rowColours;      // custom text colour by row
  bool handleCommands = true;
  int createResult = 0;
  std::vector<std::string> Take();  // the log so far, cleared

 protected:
  int OnCreate() override;
  bool OnInitDialog() override;
  void OnDestroy() override;
  bool OnCommand(int id, int notification) override;
  void OnCtlColor(int id, platform::ui::CtlColorType type, platform::ui::ControlColors& c) override;
  void OnListNotify(const platform::ui::ListNotification& n) override;
  bool OnListRowColour(int id, int row, platform::ui::Colour& text) override;
  void OnLButtonDown(int x, int y) override;
  void OnTimer(int id) override;
  void OnDropFiles(const std::vector<std::string>& paths) override;
};

// A shown top-level window for one test, the screen at the DPI of the fake environment, and scripted services
// that fail the test on any question it did not expect.
class UiTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  void SetDpi(int dpi);

  testing_support::FakeEnvironmentScope env;
  platform::ui::Window host;
  platform::ui::ScriptedServices services;
  std::unique_ptr<platform::ui::ServicesScope> servicesScope;
};

}  // namespace ui_test
