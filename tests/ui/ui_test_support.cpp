#include "ui_test_support.h"

#include <cstdio>

#include "platform/ui/application.h"
#include "test_support.h"

namespace ui_test {

using namespace platform::ui;

DialogTemplate TestTemplate() {
  DialogTemplate t;
  t.id = 901;
  t.caption = "テストダイアログ";
  t.style = kChildDialog | kVisible;
  t.cx = 300;
  t.cy = 200;
  t.font = "ＭＳ Ｐゴシック";
  t.fontSize = 12;
  t.controls = {
      {kLabel, ControlKind::Static, "フォルダ参照：", 0, 7, 7, 60, 8},
      {kLabelCentre, ControlKind::Static, "中央", kAlignCenter, 70, 7, 40, 8},
      {kLabelRight, ControlKind::Static, "右寄せ", kAlignRight, 115, 7, 40, 8},
      {kEdit, ControlKind::Edit, "", 0, 7, 20, 150, 14},
      {kBrowse, ControlKind::Button, "参照", 0, 162, 20, 40, 14},
      {kMultiEdit, ControlKind::Edit, "", kMultiLine | kVScroll, 7, 38, 150, 30},
      {kReadOnlyEdit, ControlKind::Edit, "読み取り専用", kMultiLine | kReadOnly | kAlignCenter, 162, 38, 130, 30},
      {kCheck, ControlKind::CheckBox, "削除", 0, 7, 74, 50, 10},
      {kCombo, ControlKind::ComboBox, "", 0, 60, 72, 140, 60, {"過去選択したフォルダはこちら", "/data/画像"}},
      {kList, ControlKind::ListView, "", kSingleSelection | kShowSelectionAlways | kGridLines | kFullRowSelect, 7,
       90, 200, 62},
      {kPicture, ControlKind::Picture, "", 0, 212, 74, 80, 60},
      {kGroup, ControlKind::GroupBox, "添付ファイル", 0, 212, 138, 80, 30},
      {kProgress, ControlKind::Progress, "", kSmooth, 7, 158, 100, 8},
      {kLink, ControlKind::Link, "画像を全て選択", 0, 112, 158, 70, 8},
      {kBrowser, ControlKind::Browser, "", 0, 0, 0, 10, 10},
      {kIdOk, ControlKind::Button, "確定", kDefaultButton, 182, 178, 50, 14},
      {kIdCancel, ControlKind::Button, "キャンセル", 0, 240, 178, 50, 14},
  };
  return t;
}

std::vector<std::string> LoggingDialog::Take() {
  std::vector<std::string> out;
  out.swap(log);
  return out;
}

int LoggingDialog::OnCreate() {
  log.push_back("create");
  return createResult;
}

bool LoggingDialog::OnInitDialog() {
  log.push_back("init");
  return true;
}

void LoggingDialog::OnDestroy() { log.push_back("destroy"); }

bool LoggingDialog::OnCommand(int id, int notification) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "command %d 0x%x", id, notification);
  log.push_back(buf);
  return handleCommands;
}

void LoggingDialog::OnCtlColor(int id, CtlColorType, ControlColors& c) {
  auto found = colours.find(id);
  if (found != colours.end()) c = found->second;
}

void LoggingDialog::OnListNotify(const ListNotification& n) {
  char buf[96];
  switch (n.event) {
    case ListEvent::ItemChanged:
      std::snprintf(buf, sizeof buf, "list %d changed %d %u->%u", n.id, n.row, n.oldState, n.newState);
      break;
    case ListEvent::Click:
      std::snprintf(buf, sizeof buf, "list %d click %d", n.id, n.row);
      break;
    case ListEvent::HeaderEndTrack:
      std::snprintf(buf, sizeof buf, "list %d endtrack %d %d", n.id, n.column, n.width);
      break;
    case ListEvent::HeaderItemChanged:
      std::snprintf(buf, sizeof buf, "list %d header %d %d", n.id, n.column, n.width);
      break;
  }
  log.push_back(buf);
}

bool LoggingDialog::OnListRowColour(int, int row, Colour& text) {
  auto found = rowColours.find(row);
  if (found == rowColours.end()) return false;
  text = found->second;
  return true;
}

void LoggingDialog::OnLButtonDown(int x, int y) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "lbutton %d %d", x, y);
  log.push_back(buf);
}

void LoggingDialog::OnTimer(int id) { log.push_back("timer " + std::to_string(id)); }

void LoggingDialog::OnDropFiles(const std::vector<std::string>& paths) {
  std::string line = "drop";
  for (const std::string& p : paths) line += " " + p;
  log.push_back(line);
}

void UiTest::SetUp() {
  services.onUnexpected = [](const std::string& what) {
    ADD_FAILURE() << "unexpected request: " << testing_support::Show(what);
  };
  servicesScope = std::make_unique<ServicesScope>(services);
  ASSERT_TRUE(host.CreateTopLevel("ホスト", RectAt(50, 50, 1000, 700)));
  host.Show(true);
  DispatchPendingMessages();
}

void UiTest::TearDown() {
  host.Destroy();
  DispatchPendingMessages();
  servicesScope.reset();
}

void UiTest::SetDpi(int dpi) {
  env.env.dpiX = dpi;
  env.env.dpiY = dpi;
}

}  // namespace ui_test
