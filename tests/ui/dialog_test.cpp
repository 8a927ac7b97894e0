// Dialog handlers as a person drives the dialog: each action reaches OnCommand, OnLButtonDown or
// OnListNotify with the control's id and the system's notification, and the controls answer by id.
#include <gtest/gtest.h>

#include <functional>

#include "platform/ui/application.h"
#include "platform/ui/driver.h"
#include "qt_probe.h"
#include "test_support.h"
#include "ui_test_support.h"

namespace {

using namespace platform::ui;
using namespace ui_test;
using testing_support::Show;

class DialogTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    ASSERT_TRUE(dlg.Create(TestTemplate(), host));
    dlg.ListInsertColumn(kList, 0, "ファイル名", 120);
    dlg.ListInsertColumn(kList, 1, "受付番号", 80);
    for (const char* name : {"a.vek", "b.vek", "c.vek"}) {
      int row = dlg.ListInsertRow(kList, 99, name);
      dlg.ListSetCell(kList, row, 1, "番号" + std::to_string(row));
    }
    DispatchPendingMessages();
    dlg.Take();
  }
  LoggingDialog dlg;
};

struct DriveCase {
  const char* name;
  std::function<bool(Dialog&)> act;
  std::vector<std::string> log;
};

TEST_F(DialogTest, DrivenActionsReachTheHandlersWithIdsAndNotifications) {
  const Rect picture = dlg.ItemRect(kPicture);
  const std::string centre = "lbutton " + std::to_string(picture.left + picture.Width() / 2) + " " +
                             std::to_string(picture.top + picture.Height() / 2);
  const DriveCase cases[] = {
      {"button", [](Dialog& d) { return driver::Click(d, kBrowse); }, {"command 301 0x0"}},
      {"typed edit", [](Dialog& d) { return driver::Type(d, kEdit, "/data/写真"); },
       {"command 201 0x100", "command 201 0x300"}},
      {"focus leaves the edit", [](Dialog& d) { return driver::Click(d, kBrowse); },
       {"command 201 0x200", "command 301 0x0"}},
      {"typed multi-line edit", [](Dialog& d) { return driver::Type(d, kMultiEdit, "一行目\r\n二行目"); },
       {"command 202 0x100", "command 202 0x300"}},
      {"check box", [](Dialog& d) { return driver::Check(d, kCheck, true); },
       {"command 202 0x200", "command 401 0x0"}},
      {"check box already so", [](Dialog& d) { return driver::Check(d, kCheck, true); }, {}},
      {"combo entry", [](Dialog& d) { return driver::Select(d, kCombo, 1); }, {"command 501 0x1"}},
      {"link", [](Dialog& d) { return driver::Click(d, kLink); }, {"command 801 0x0"}},
      {"picture frame", [](Dialog& d) { return driver::Click(d, kPicture); }, {centre}},
      {"list row", [](Dialog& d) { return driver::Select(d, kList, 1); },
       {"list 601 changed 1 0->3", "list 601 click 1"}},
      {"another list row", [](Dialog& d) { return driver::Select(d, kList, 2); },
       {"list 601 changed 1 3->0", "list 601 changed 2 0->3", "list 601 click 2"}},
      {"Enter in the list presses the default button", [](Dialog& d) { return driver::PressKey(d, vk::kReturn); },
       {"command 1 0x0"}},
  };
  for (const DriveCase& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(c.act(dlg));
    EXPECT_EQ(dlg.Take(), c.log);
  }
  EXPECT_EQ(Show(dlg.ItemText(kEdit)), Show("/data/写真"));
  EXPECT_EQ(Show(dlg.ItemText(kMultiEdit)), Show("一行目\r\n二行目"));
  EXPECT_TRUE(dlg.IsItemChecked(kCheck));
  EXPECT_EQ(dlg.ComboSelection(kCombo), 1);
  EXPECT_EQ(Show(dlg.ItemText(kCombo)), Show("/data/画像"));
  EXPECT_EQ(dlg.ListNextRow(kList, -1, kRowSelected), 2);
  EXPECT_EQ(dlg.ListRowState(kList, 2), kRowSelected | kRowFocused);
}

TEST_F(DialogTest, EnterWithoutAFocusedButtonPressesTheDefaultButton) {
  ASSERT_TRUE(driver::Type(dlg, kEdit, "x"));
  dlg.Take();
  ASSERT_TRUE(driver::PressKey(dlg, vk::kReturn));
  EXPECT_EQ(dlg.Take(), (std::vector<std::string>{"command 1 0x0"}));
  ASSERT_TRUE(driver::PressKey(dlg, vk::kEscape));
  EXPECT_EQ(dlg.Take(), (std::vector<std::string>{"command 2 0x0"}));
  // With the focus on a push button, Enter presses that one.
  ASSERT_TRUE(driver::Click(dlg, kBrowse));
  ASSERT_TRUE(driver::PressKey(dlg, vk::kReturn));
  EXPECT_EQ(dlg.Take(), (std::vector<std::string>{"command 201 0x200", "command 301 0x0", "command 301 0x0"}));
  EXPECT_TRUE(dlg.IsVisible());  // a modeless dialog stays when nobody handles them
}

TEST_F(DialogTest, ProgramChangesNotifyAsTheSystemsControlsDo) {
  // A single-line edit reports the program's text as a change; a multi-line edit does not; choosing a combo
  // entry or checking a box from the program reports nothing.
  dlg.SetItemText(kEdit, "/tmp");
  dlg.SetItemText(kMultiEdit, "メモ");
  dlg.ComboSelect(kCombo, 0);
  dlg.CheckItem(kCheck, true);
  EXPECT_EQ(dlg.Take(), (std::vector<std::string>{"command 201 0x300"}));
  EXPECT_EQ(Show(dlg.ItemText(kCombo)), Show("過去選択したフォルダはこちら"));
  // Row states set by the program are reported, one change per row as the list view reports them.
  dlg.ListSetRowState(kList, 0, kRowSelected | kRowFocused, kRowSelected | kRowFocused);
  dlg.ListSetRowState(kList, 0, 0, kRowSelected | kRowFocused);
  dlg.ListSetRowState(kList, -1, kRowSelected, kRowSelected);  // -1: every row (one may be selected)
  EXPECT_EQ(dlg.Take(), (std::vector<std::string>{"list 601 changed 0 0->3", "list 601 changed 0 3->0",
                                                  "list 601 changed 2 0->2"}));
}

TEST_F(DialogTest, APersonCannotReachWhatIsHiddenOrDisabled) {
  std::string why;
  dlg.EnableItem(kBrowse, false);
  EXPECT_FALSE(driver::Click(dlg, kBrowse, &why));
  EXPECT_EQ(why, "control 301 is disabled");
  dlg.ShowItem(kEdit, false);
  EXPECT_FALSE(driver::Type(dlg, kEdit, "x", &why));
  EXPECT_EQ(why, "control 201 is not visible");
  EXPECT_FALSE(driver::Type(dlg, kReadOnlyEdit, "x", &why));
  EXPECT_EQ(why, "edit 203 is read-only");
  EXPECT_FALSE(driver::Click(dlg, 999, &why));
  EXPECT_EQ(why, "no control 999");
  EXPECT_FALSE(driver::Select(dlg, kCombo, 5, &why));
  EXPECT_FALSE(driver::Select(dlg, kList, 3, &why));
  dlg.Show(false);
  EXPECT_FALSE(driver::Click(dlg, kIdOk, &why));
  EXPECT_EQ(dlg.Take(), std::vector<std::string>{});
}

TEST_F(DialogTest, EditLimitHoldsForAPersonNotForTheProgram) {
  dlg.SetEditLimit(kEdit, 6);
  dlg.SetEditLimit(kMultiEdit, 4);
  ASSERT_TRUE(driver::Type(dlg, kEdit, "写真フォルダ"));  // 12 bytes: what fits is taken, whole characters
  EXPECT_EQ(Show(dlg.ItemText(kEdit)), Show("写真フ"));
  ASSERT_TRUE(driver::Type(dlg, kMultiEdit, "abcdef"));
  EXPECT_EQ(dlg.ItemText(kMultiEdit), "abcd");
  dlg.SetItemText(kEdit, "長いフォルダの名前");
  EXPECT_EQ(Show(dlg.ItemText(kEdit)), Show("長いフォルダの名前"));
}

TEST_F(DialogTest, TextsCrossAsCp932BothWays) {
  // Full-width and half-width forms, the CP932 wave dash and a byte sequence that is no character.
  const std::string texts[] = {"ヴィストレル", "ｶﾀｶﾅ", "05:00～24:00", "SE00１6", "a&&b"};
  for (const std::string& t : texts) {
    dlg.SetItemText(kLabel, t);
    EXPECT_EQ(Show(dlg.ItemText(kLabel)), Show(t));
    dlg.SetItemText(kEdit, t);
    EXPECT_EQ(Show(dlg.ItemText(kEdit)), Show(t));
  }
  dlg.SetItemText(kLabel, std::string("a\x81\x20z"));  // a lead byte before a byte that cannot trail it
  EXPECT_EQ(dlg.ItemText(kLabel), "a?z");
}

TEST_F(DialogTest, ControlsMoveAndTakeTheFocus) {
  dlg.MoveItem(kPicture, RectAt(10, 20, 60, 60));
  EXPECT_EQ(dlg.ItemRect(kPicture), RectAt(10, 20, 60, 60));
  dlg.FocusItem(kEdit);
  EXPECT_EQ(dlg.FocusedItem(), kEdit);
  EXPECT_TRUE(ui_probe::HasFocus(dlg, kEdit));
  dlg.FocusItem(kCombo);
  EXPECT_EQ(dlg.FocusedItem(), kCombo);
  EXPECT_EQ(dlg.Take(), (std::vector<std::string>{"command 201 0x100", "command 201 0x200"}));
  dlg.SetItemText(kEdit, "フォルダ");
  dlg.FocusItem(kEdit);
  dlg.SetEditSelection(kEdit, -1, -1);
  ASSERT_TRUE(driver::PressKey(dlg, 'X'));
  EXPECT_EQ(Show(dlg.ItemText(kEdit)), Show("フォルダx"));  // the caret stood at the end
}

TEST_F(DialogTest, ComboBoxesAndListsAreFilledByThePrograms) {
  dlg.ComboReset(kCombo);
  EXPECT_EQ(dlg.ComboCount(kCombo), 0);
  EXPECT_EQ(dlg.ComboAdd(kCombo, "一"), 0);
  EXPECT_EQ(dlg.ComboAdd(kCombo, "二"), 1);
  EXPECT_EQ(dlg.ComboSelection(kCombo), -1);
  dlg.ComboSelect(kCombo, 1);
  EXPECT_EQ(Show(dlg.ItemText(kCombo)), Show("二"));
  dlg.ComboSelect(kCombo, 7);
  EXPECT_EQ(dlg.ComboSelection(kCombo), -1);
  EXPECT_EQ(dlg.ComboAdd(kEdit, "x"), -1);

  EXPECT_EQ(dlg.ListColumnCount(kList), 2);
  EXPECT_EQ(dlg.ListColumnWidth(kList, 0), 120);
  EXPECT_EQ(dlg.ListRowCount(kList), 3);
  EXPECT_EQ(dlg.ListInsertRow(kList, 0, "first.vek"), 0);
  EXPECT_EQ(Show(dlg.ListCell(kList, 0, 0)), Show("first.vek"));
  EXPECT_EQ(Show(dlg.ListCell(kList, 1, 1)), Show("番号0"));
  EXPECT_EQ(dlg.ListCell(kList, 9, 0), "");
  dlg.ListDeleteAllRows(kList);
  EXPECT_EQ(dlg.ListRowCount(kList), 0);
  EXPECT_EQ(dlg.ListNextRow(kList, -1, kRowSelected), -1);
  EXPECT_EQ(dlg.Take(), std::vector<std::string>{});

  dlg.ProgressSetRange(kProgress, 0, 100);
  dlg.ProgressSetPos(kProgress, 40);
  EXPECT_EQ(dlg.ProgressPos(kProgress), 40);
  dlg.ProgressSetPos(kProgress, 400);
  EXPECT_EQ(dlg.ProgressPos(kProgress), 100);
}

// A list whose columns were never added still takes rows (the selection dialog without its header library):
// they hold no cells, and a column added later gives each row one. The sanitizer build catches cells
// made for no column.
TEST_F(DialogTest, AListWithoutColumnsTakesRowsWithoutCells) {
  LoggingDialog bare;
  ASSERT_TRUE(bare.Create(TestTemplate(), host));
  ASSERT_EQ(bare.ListColumnCount(kList), 0);
  for (int row = 0; row < 3; ++row) EXPECT_EQ(bare.ListInsertRow(kList, row, "a.vek"), row);
  bare.ListSetCell(kList, 0, 0, "b.vek");
  EXPECT_EQ(bare.ListRowCount(kList), 3);
  EXPECT_EQ(bare.ListCell(kList, 0, 0), "");
  bare.ListDeleteAllRows(kList);
  bare.ListInsertRow(kList, 0, "a.vek");
  EXPECT_EQ(bare.ListInsertColumn(kList, 0, "ファイル名", 120), 0);
  bare.ListSetCell(kList, 0, 0, "b.vek");
  EXPECT_EQ(bare.ListCell(kList, 0, 0), "b.vek");
}

TEST_F(DialogTest, HeaderDragReportsTheEndOfTheDragAndEveryWidthChange) {
  ASSERT_TRUE(driver::DragColumn(dlg, kList, 0, 150));
  std::vector<std::string> log = dlg.Take();
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[log.size() - 2], "list 601 endtrack 0 150");
  EXPECT_EQ(log.back(), "list 601 header 0 150");
  EXPECT_EQ(log.front(), "list 601 header 0 150");
  EXPECT_EQ(dlg.ListColumnWidth(kList, 0), 150);
  // The program's own width change is reported as a header change only.
  dlg.ListSetColumnWidth(kList, 1, 60);
  EXPECT_EQ(dlg.Take(), (std::vector<std::string>{"list 601 header 1 60"}));
}

}  // namespace
