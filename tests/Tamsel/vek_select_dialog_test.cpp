// The estimate-file selection dialog on the fake header library: listing, pages of ten, the question of too
// many files, too long paths, grey rows, column widths, the folder picker and cancelling.
#include "CVekSelectDialog.h"

#include <gtest/gtest.h>

#include "platform/ui/driver.h"
#include "qt_probe.h"
#include "tamsel_host.h"

namespace {

using namespace tamsel_test;
using tamsel::CVekSelectDialog;
using D = CVekSelectDialog;

class VekSelectDialogTest : public TamselTest {
 protected:
  std::string data = root / "data";
  FakeHeaderLibrary fake;

  static void Click(D& dialog, int id) {
    std::string error;
    EXPECT_TRUE(platform::ui::driver::Click(dialog, id, &error)) << error;
  }
  static void SelectRow(D& dialog, int row) {
    std::string error;
    EXPECT_TRUE(platform::ui::driver::Select(dialog, D::kIdList, row, &error)) << error;
  }
  // Page number, number of pages, rows shown; the same texts above and below the list.
  static std::string Paging(D& d) {
    EXPECT_EQ(d.ItemText(D::kIdPageTop), d.ItemText(D::kIdPageBottom));
    EXPECT_EQ(d.ItemText(D::kIdPagesTop), d.ItemText(D::kIdPagesBottom));
    return d.ItemText(D::kIdPageTop) + "/" + d.ItemText(D::kIdPagesTop) + " rows " +
           std::to_string(d.ListRowCount(D::kIdList));
  }
  // Which paging buttons can be pressed: "<" and ">" for the upper pair, the lower pair alike.
  static std::string Buttons(D& d) {
    EXPECT_EQ(d.IsItemEnabled(D::kIdPrevTop), d.IsItemEnabled(D::kIdPrevBottom));
    EXPECT_EQ(d.IsItemEnabled(D::kIdNextTop), d.IsItemEnabled(D::kIdNextBottom));
    return std::string(d.IsItemEnabled(D::kIdPrevTop) ? "<" : "-") + (d.IsItemEnabled(D::kIdNextTop) ? ">" : "-");
  }
};

TEST_F(VekSelectDialogTest, PagesOfTen) {
  struct Step {
    int click;  // 0: the state after the listing
    const char* paging;
    const char* buttons;
    const char* firstName;
  };
  struct Case {
    const char* name;
    int files;
    std::vector<Step> steps;
  } cases[] = {
      {"25 files",
       25,
       {{0, "1/3 rows 10", "->", "e25.vek"},
        {D::kIdNextTop, "2/3 rows 10", "<>", "e15.vek"},
        {D::kIdNextBottom, "3/3 rows 5", "<-", "e05.vek"},
        {D::kIdPrevBottom, "2/3 rows 10", "<>", "e15.vek"},
        {D::kIdPrevTop, "1/3 rows 10", "->", "e25.vek"}}},
      {"exactly 10", 10, {{0, "1/1 rows 10", "--", "e10.vek"}}},
      {"11", 11, {{0, "1/2 rows 10", "->", "e11.vek"}, {D::kIdNextTop, "2/2 rows 1", "<-", "e01.vek"}}},
      {"none", 0, {{0, "0/0 rows 0", "--", ""}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string folder = data + "/" + std::to_string(c.files);
    MakeFiles(folder, c.files);
    TamselPage page(Params{{"Vek2Folder", folder}});
    D& d = page.Select();
    EXPECT_EQ(d.ItemText(D::kIdFolder), folder);
    EXPECT_EQ(d.ItemText(D::kIdFileCount), std::to_string(c.files));
    for (const Step& s : c.steps) {
      SCOPED_TRACE(s.paging);
      if (s.click) Click(d, s.click);
      EXPECT_EQ(Paging(d), s.paging);
      EXPECT_EQ(Buttons(d), s.buttons);
      EXPECT_EQ(d.ListCell(D::kIdList, 0, 0), s.firstName);
      EXPECT_EQ(d.SelectedRow(), -1);
      EXPECT_FALSE(d.IsItemEnabled(D::kIdLoad));
    }
    EXPECT_TRUE(d.IsItemEnabled(D::kIdCancel));
    EXPECT_TRUE(d.IsItemEnabled(D::kIdBrowse));
    EXPECT_EQ(page.Boxes(), std::vector<std::string>{});
  }
}

TEST_F(VekSelectDialogTest, RowsShowTheHeaderSummary) {
  MakeFiles(data, 2);
  fake.Control(
      "OvSvInfo.AcceptNo=受付０００１\nOvSvInfo.e02.vek.CustomerName=山田　太郎\nOvSvInfo.CarName=プリウス\n"
      "OvSvInfo.CarNoDepartment=品川\nOvSvInfo.CarNoDivision=３３０\nOvSvInfo.CarNoBusiness=あ\n"
      "OvSvInfo.CarNoSerial=１２－３４\n");
  TamselPage page(Params{{"Vek2Folder", data}});
  D& d = page.Select();
  ASSERT_EQ(d.ListRowCount(D::kIdList), 2);
  const char* expected[] = {"e02.vek", "受付０００１", "山田　太郎", "プリウス", "品川３３０あ１２－３４", ""};
  for (int column = 0; column < 5; ++column) {
    EXPECT_EQ(testing_support::Show(d.ListCell(D::kIdList, 0, column)), testing_support::Show(expected[column]));
  }
  // 1714550000 + 120 seconds is 2024-05-01 in Tokyo.
  EXPECT_EQ(d.ListCell(D::kIdList, 0, 5), "2024/05/01");
  EXPECT_EQ(d.ListCell(D::kIdList, 1, 2), "");
  // The header of each file is read for its first display, with kind 1: in each of the two listings of the
  // initialisation.
  std::vector<std::string> calls = fake.Calls("OvGetHeader");
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0], "1\t" + data + "/e02.vek\tbuffer\t=0");
}

TEST_F(VekSelectDialogTest, HeadersAreReadForTheRowsShownOnly) {
  MakeFiles(data, 25);
  TamselPage page(Params{{"Vek2Folder", data}});
  // Two listings in the initialisation, each reading the first page.
  EXPECT_EQ(fake.Calls("OvGetHeader").size(), 20u);
  Click(page.Select(), D::kIdNextTop);
  EXPECT_EQ(fake.Calls("OvGetHeader").size(), 30u);
  Click(page.Select(), D::kIdPrevTop);
  EXPECT_EQ(fake.Calls("OvGetHeader").size(), 30u);
}

TEST_F(VekSelectDialogTest, NewestFirstAndEqualTimesByPath) {
  platform::MakeFolders(data);
  SetFile(data + "/b.vek", "b", 2000);
  SetFile(data + "/a.vek", "a", 2000);
  SetFile(data + "/c.vek", "c", 3000);
  SetFile(data + "/A1.vek", "A1", 2000);
  SetFile(data + "/old.VEK", "old", 1000);
  SetFile(data + "/other.txt", "not listed", 5000);
  platform::MakeFolders(data + "/folder.vek");
  TamselPage page(Params{{"Vek2Folder", data}});
  D& d = page.Select();
  std::vector<std::string> names;
  for (int row = 0; row < d.ListRowCount(D::kIdList); ++row) names.push_back(d.ListCell(D::kIdList, row, 0));
  EXPECT_EQ(names, (std::vector<std::string>{"c.vek", "A1.vek", "a.vek", "b.vek", "old.VEK"}));
}

TEST_F(VekSelectDialogTest, TooManyFilesAskAtTheFirstPaint) {
  MakeFiles(data, 101);
  struct Case {
    const char* name;
    const char* max;
    ui::BoxAnswer answer;
    int files;
  } cases[] = {
      {"No", "100", ui::BoxAnswer::No, 0},
      {"Yes", "100", ui::BoxAnswer::Yes, 101},
      {"0 asks at the first file", "0", ui::BoxAnswer::Yes, 101},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TamselPage page(Params{{"Vek2Folder", data}, {"MaxViewFileNum", c.max}}, false);
    std::vector<bool> shown;
    page.services.onRequest = [&](const ui::ScriptedServices::Request&) {
      shown.push_back(page.Select().IsVisible());
    };
    page.services.QueueAnswer(c.answer);
    page.CreateWindow();
    page.FirstPaint();
    ASSERT_EQ(page.services.Requests().size(), 1u);
    const auto& box = page.services.Requests()[0].box;
    EXPECT_EQ(box.text, Message(2024));
    EXPECT_EQ(box.buttons, ui::BoxButtons::YesNo);
    EXPECT_EQ(box.icon, ui::BoxIcon::Exclamation);
    EXPECT_EQ(box.defaultButton, 1);
    EXPECT_EQ(box.title, "ヴィストレル");
    // Asked once the dialog was to be seen, never in its initialisation.
    EXPECT_EQ(shown, std::vector<bool>{true});
    EXPECT_EQ(page.Select().FileCount(), c.files);
    EXPECT_EQ(page.Select().ItemText(D::kIdFileCount), std::to_string(c.files));
    EXPECT_EQ(Paging(page.Select()), c.files ? "1/11 rows 10" : "0/0 rows 0");
    // Later paints ask nothing.
    page.FirstPaint();
    EXPECT_EQ(page.services.Requests().size(), 1u);
  }
}

TEST_F(VekSelectDialogTest, ExactlyTheLimitAsksNothing) {
  MakeFiles(data, 100);
  TamselPage page(Params{{"Vek2Folder", data}});
  page.FirstPaint();
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{});
  EXPECT_EQ(page.Select().FileCount(), 100);
}

// A file whose path, or whose place in the extract folder, is too long is left out and told once.
TEST_F(VekSelectDialogTest, TooLongPathsAreLeftOutAndToldOnce) {
  // data + "/" + name: 256 bytes fit, 257 do not.
  std::string folder = root / std::string(240 - (root.path().size() + 1), 'd');
  ASSERT_EQ(folder.size(), 240u);
  // The folder lists the too long one first, the one that fits next, then the others.
  std::string tooLong = folder + "/" + std::string(12, 'a') + ".vek";   // 257
  std::string fits = folder + "/" + std::string(11, 'b') + ".vek";      // 256
  platform::MakeFolders(folder);
  SetFile(fits, "fits", 99999);
  SetFile(tooLong, "too long", 3000);
  MakeFiles(folder, 100, "e", 1000);  // with the one that fits, one more than the limit
  TamselPage page(Params{{"Vek2Folder", folder}, {"MaxViewFileNum", "100"}}, false);
  page.services.QueueAnswer(ui::BoxAnswer::Ok);   // 1003, in the second listing
  page.services.QueueAnswer(ui::BoxAnswer::Yes);  // 2024, at the first paint, which lists again
  page.CreateWindow();
  page.FirstPaint();
  EXPECT_EQ(page.Boxes(), (std::vector<std::string>{Message(1003, {tooLong}), Message(2024)}));
  EXPECT_EQ(page.services.Requests().at(0).box.icon, ui::BoxIcon::Stop);
  EXPECT_EQ(page.Select().FileCount(), 101);
  EXPECT_EQ(page.Select().ListCell(D::kIdList, 0, 0), std::string(11, 'b') + ".vek");
}

TEST_F(VekSelectDialogTest, AnExtractPathTooLongLeavesTheFileOut) {
  // The system folder's own trailing delimiter does not count: extract path = profile/zentrovia/VekExtractTemp/name.
  std::string extract = ExtractFolder() + "/";
  std::string fitting(256 - extract.size(), 'n');
  platform::MakeFolders(data);
  std::string fitsName = fitting.substr(0, fitting.size() - 4) + ".vek";
  std::string longName = fitting.substr(0, fitting.size() - 4) + "x.vek";
  SetFile(data + "/" + fitsName, "fits", 2000);
  SetFile(data + "/" + longName, "one byte more", 3000);
  TamselPage page(Params{{"Vek2Folder", data}, {"FuncID", "3"}});
  EXPECT_EQ(page.Select().FileCount(), 1);
  EXPECT_EQ(page.Select().ListCell(D::kIdList, 0, 0), fitsName);
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{Message(1003, {data + "/" + longName})});
}

TEST_F(VekSelectDialogTest, AGreyRowCannotBeChosen) {
  MakeFiles(data, 3);
  // The second file shown (e02) has no readable header: the second call of the first listing's page and of
  // the second listing's.
  fake.Control("OvSvInfo.OvGetHeader@2=-1\nOvSvInfo.OvGetHeader@5=-1\nOvSvInfo.CustomerName=顧客\n");
  TamselPage page(Params{{"Vek2Folder", data}});
  D& d = page.Select();
  ASSERT_FALSE(d.Records().at(1)->bHeaderRead);
  EXPECT_EQ(d.ListCell(D::kIdList, 1, 0), "e02.vek");
  EXPECT_EQ(d.ListCell(D::kIdList, 1, 2), "");
  EXPECT_EQ(d.ListCell(D::kIdList, 0, 2), "顧客");

  SelectRow(d, 1);
  EXPECT_EQ(d.SelectedRow(), -1);
  EXPECT_EQ(d.ListNextRow(D::kIdList, -1, ui::kRowSelected), -1);
  EXPECT_EQ(d.ListNextRow(D::kIdList, -1, ui::kRowFocused), -1);
  EXPECT_FALSE(d.IsItemEnabled(D::kIdLoad));

  SelectRow(d, 2);
  EXPECT_EQ(d.SelectedRow(), 2);
  EXPECT_TRUE(d.IsItemEnabled(D::kIdLoad));
  SelectRow(d, 1);
  EXPECT_EQ(d.SelectedRow(), -1);
  EXPECT_FALSE(d.IsItemEnabled(D::kIdLoad));
}

// The arrow keys move the choice as a click does: "読込" follows the highlighted row, and a grey row reached
// by a key is not chosen; the keys go on past it.
TEST_F(VekSelectDialogTest, KeysMoveTheChoice) {
  MakeFiles(data, 3);
  fake.Control("OvSvInfo.OvGetHeader@2=-1\nOvSvInfo.OvGetHeader@5=-1\n");  // e02 grey, as above
  TamselPage page(Params{{"Vek2Folder", data}});
  D& d = page.Select();
  auto press = [&](int vk) {
    std::string error;
    EXPECT_TRUE(ui::driver::PressKey(*page.ctrl, vk, false, &error)) << error;
  };
  SelectRow(d, 0);
  struct Step {
    int vk;
    int selected;
    int focused;
    bool load;
  } steps[] = {{ui::vk::kDown, -1, 1, false}, {ui::vk::kDown, 2, 2, true}, {ui::vk::kUp, -1, 1, false},
               {ui::vk::kUp, 0, 0, true}};
  for (const Step& s : steps) {
    press(s.vk);
    EXPECT_EQ(d.SelectedRow(), s.selected);
    EXPECT_EQ(d.ListNextRow(D::kIdList, -1, ui::kRowSelected), s.selected);
    EXPECT_EQ(d.ListNextRow(D::kIdList, -1, ui::kRowFocused), s.focused);
    EXPECT_EQ(d.IsItemEnabled(D::kIdLoad), s.load);
  }
}

// The template's list holds a page's ten rows whole, without scrolling either way, at both resolutions, and
// every page shows from its first row; the page statics hold four digits beside each other.
TEST_F(VekSelectDialogTest, APageIsSeenWhole) {
  MakeFiles(data, 25);
  for (int dpi : {96, 120}) {
    SCOPED_TRACE(dpi);
    env.env.dpiX = env.env.dpiY = dpi;
    TamselPage page(Params{{"Vek2Folder", data}});
    page.FitToDialog();
    D& d = page.Select();
    for (int click : {0, D::kIdNextTop, D::kIdNextBottom, D::kIdPrevTop}) {
      SCOPED_TRACE(click);
      if (click) Click(d, click);
      const ui_probe::ListView view = ui_probe::ListInView(d, D::kIdList);
      EXPECT_EQ(view.firstRow, 0);
      EXPECT_EQ(view.wholeRows, d.ListRowCount(D::kIdList));
      EXPECT_FALSE(view.scrollsVertically);
      EXPECT_FALSE(view.scrollsHorizontally);
    }
    for (const auto& row : {std::vector<int>{D::kIdPrevTop, D::kIdPageTop, 461, D::kIdPagesTop, 462, D::kIdNextTop},
                            std::vector<int>{D::kIdPrevBottom, D::kIdPageBottom, 467, D::kIdPagesBottom, 468,
                                             D::kIdNextBottom}}) {
      d.SetItemText(row[1], "1000");
      d.SetItemText(row[3], "1000");
      for (std::size_t i = 0; i < row.size(); ++i) {
        EXPECT_TRUE(ui_probe::TextFits(d, row[i])) << row[i];
        if (i > 0) {
          EXPECT_LE(d.ItemRect(row[i - 1]).right, d.ItemRect(row[i]).left) << row[i];
        }
      }
    }
  }
}

// The control empties its extract folder before each load: a data folder there, or inside it, is refused
// before anything is listed, and nothing of it is deleted, also when the page closes after a load elsewhere.
TEST_F(VekSelectDialogTest, TheExtractFolderIsNoDataFolder) {
  const std::string refused = "見積ファイルの展開用フォルダとその中のフォルダは参照先にできません。変更してください。";
  platform::MakeFolders(ExtractFolder() + "/keep/deeper");
  platform::MakeFolders(root / "home/zentrovia/VekExtractTemp2");
  ASSERT_EQ(std::system(("ln -s '" + ExtractFolder() + "/keep' '" + root / "link" + "'").c_str()), 0);
  struct Case {
    const char* name;
    std::string folder;  // given as Vek2Folder
    std::string files;   // where its files are
    bool refuse;
  } cases[] = {
      {"the extract folder", ExtractFolder(), ExtractFolder(), true},
      {"with a trailing delimiter", ExtractFolder() + "/", ExtractFolder(), true},
      {"a folder inside it", ExtractFolder() + "/keep", ExtractFolder() + "/keep", true},
      {"by another way", ExtractFolder() + "/keep/deeper/..", ExtractFolder() + "/keep", true},
      {"through a link", root / "link", ExtractFolder() + "/keep", true},
      {"a folder beside it", root / "home/zentrovia/VekExtractTemp2", root / "home/zentrovia/VekExtractTemp2",
       false},
      {"the folder above it", root / "home/zentrovia", root / "home/zentrovia", false},
  };
  MakeFiles(data, 1);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> files = MakeFiles(c.files, 3, "k");
    {
      TamselPage page(Params{{"Vek2Folder", c.folder}});
      D& d = page.Select();
      EXPECT_EQ(page.Boxes(), c.refuse ? std::vector<std::string>{refused} : std::vector<std::string>{});
      if (c.refuse) {
        EXPECT_EQ(page.services.Requests().at(0).box.icon, ui::BoxIcon::Exclamation);
        EXPECT_EQ(d.ItemText(D::kIdFolder), "");
        EXPECT_EQ(d.FileCount(), 0);
      } else {
        EXPECT_EQ(d.FileCount(), 3);
      }
      // A load from a folder elsewhere empties the extract folder of its files, never of its folders.
      page.services.QueuePath(data);
      Click(d, D::kIdBrowse);
      SelectRow(d, 0);
      Click(d, D::kIdLoad);
      ASSERT_EQ(page.Regists().size(), 1u);
    }
    for (const std::string& file : files) {
      if (c.files != ExtractFolder()) {
        EXPECT_TRUE(platform::IsFile(file)) << file;
      }
    }
    EXPECT_TRUE(platform::IsFolder(ExtractFolder() + "/keep/deeper"));
  }
}

// The grey of the rows without header, as the list asks for each row's text colour.
TEST_F(VekSelectDialogTest, RowsWithoutHeaderAreGrey) {
  MakeFiles(data, 2);
  fake.Control("OvSvInfo.OvGetHeader=-1\n");
  TamselPage page(Params{{"Vek2Folder", data}});
  ui::Colour colour;
  ASSERT_TRUE(page.Select().OnListRowColour(D::kIdList, 0, colour));
  EXPECT_EQ(colour, ui::Rgb(0x96, 0x96, 0x96));
  EXPECT_FALSE(page.Select().OnListRowColour(D::kIdList, 5, colour));
  EXPECT_FALSE(page.Select().OnListRowColour(D::kIdFolder, 0, colour));
  fake.Control("");
  TamselPage good(Params{{"Vek2Folder", data}});
  EXPECT_FALSE(good.Select().OnListRowColour(D::kIdList, 0, colour));
}

TEST_F(VekSelectDialogTest, ColumnsScaleWithTheScreenAndComeBackWhenNarrowed) {
  struct Case {
    int dpi;
    double scale;
    std::vector<int> widths;
  } cases[] = {{96, 1.0, {150, 100, 100, 175, 110, 140}}, {120, 0.89, {133, 89, 89, 155, 97, 124}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dpi);
    env.env.dpiX = env.env.dpiY = c.dpi;
    TamselPage page(Params{});
    D& d = page.Select();
    EXPECT_EQ(d.ScaleFactor(), c.scale);
    ASSERT_EQ(d.ListColumnCount(D::kIdList), 6);
    for (int column = 0; column < 6; ++column) {
      EXPECT_EQ(d.ListColumnWidth(D::kIdList, column), c.widths[column]) << column;
    }
    std::string error;
    ASSERT_TRUE(ui::driver::DragColumn(d, D::kIdList, 1, 30, &error)) << error;
    EXPECT_EQ(d.ListColumnWidth(D::kIdList, 1), c.widths[1]);
    ASSERT_TRUE(ui::driver::DragColumn(d, D::kIdList, 3, c.widths[3] + 40, &error)) << error;
    EXPECT_EQ(d.ListColumnWidth(D::kIdList, 3), c.widths[3] + 40);
    // A width the program sets is no person's drag: it stays.
    d.ListSetColumnWidth(D::kIdList, 0, 20);
    EXPECT_EQ(d.ListColumnWidth(D::kIdList, 0), 20);
  }
}

TEST_F(VekSelectDialogTest, TheFolderFromTheHostOrTheHeaderLibrary) {
  MakeFiles(data, 1);
  std::string other = root / "other";
  MakeFiles(other, 2);
  // 128 bytes without a NUL: all of them are the folder, and nothing beyond them is read.
  std::string whole = root / "";
  whole += std::string(128 - whole.size(), 'w');
  MakeFiles(whole, 3);
  struct Case {
    const char* name;
    std::string control;
    std::string vek2Folder;
    std::string folder;
    int files;
  } cases[] = {
      {"the host's", "OvSvInfo.OvGetDataPath=1\n", data, data, 1},
      {"the library's", "OvSvInfo.DataPath=" + other + "\n", data, other, 2},
      {"the library's filling its buffer", "OvSvInfo.DataPath=" + whole + "\nOvSvInfo.DataPathFillsBuffer=1\n", data,
       whole, 3},
      {"no folder", "OvSvInfo.OvGetDataPath=1\n", root / "missing", "", 0},
      {"a file", "OvSvInfo.OvGetDataPath=1\n", data + "/e01.vek", "", 0},
      {"with a trailing delimiter", "OvSvInfo.OvGetDataPath=1\n", data + "/", data + "/", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fake.Control(c.control);
    TamselPage page(Params{{"Vek2Folder", c.vek2Folder}});
    EXPECT_EQ(page.Select().Folder(), c.folder);
    EXPECT_EQ(page.Select().ItemText(D::kIdFolder), c.folder);
    EXPECT_EQ(page.Select().FileCount(), c.files);
    if (c.files) {
      EXPECT_EQ(page.Select().Records()[0]->strPath.substr(0, c.folder.size()), c.folder);
    }
  }
}

TEST_F(VekSelectDialogTest, BrowseChangesTheFolder) {
  MakeFiles(data, 1);
  std::string other = root / "other";
  MakeFiles(other, 12);
  fake.Control("OvSvInfo.OvGetDataPath=1\n");
  TamselPage page(Params{{"Vek2Folder", data}});
  D& d = page.Select();
  page.services.QueueCancel();
  Click(d, D::kIdBrowse);
  EXPECT_EQ(d.Folder(), data);
  page.services.QueuePath(other);
  Click(d, D::kIdBrowse);
  ASSERT_EQ(page.services.Requests().size(), 2u);
  const auto& request = page.services.Requests()[1];
  EXPECT_EQ(request.kind, ui::ScriptedServices::Kind::Folder);
  EXPECT_EQ(request.folder.title, "フォルダを選択してください。");
  EXPECT_EQ(request.folder.initialFolder, data);
  EXPECT_EQ(d.ItemText(D::kIdFolder), other);
  EXPECT_EQ(Paging(d), "1/2 rows 10");

  // A folder of more than 256 bytes is told and cut.
  std::string longer = "/" + std::string(299, 'x');
  page.services.QueuePath(longer);
  Click(d, D::kIdBrowse);
  ASSERT_EQ(page.services.Requests().size(), 4u);
  const auto& box = page.services.Requests()[3].box;
  EXPECT_EQ(box.text, "文字数が規定の範囲を超えています。変更してください。");
  EXPECT_EQ(box.title, "ヴィストレル");
  EXPECT_EQ(box.icon, ui::BoxIcon::Exclamation);
  EXPECT_EQ(d.Folder(), longer.substr(0, 256));
  EXPECT_EQ(d.FileCount(), 0);
}

TEST_F(VekSelectDialogTest, CancelSendsEmptyValuesAndZero) {
  MakeFiles(data, 1);
  TamselPage page(Params{{"Vek2Folder", data}, {"VisitorName", "客"}, {"Owner", "持ち主"}});
  D& d = page.Select();
  Click(d, D::kIdCancel);
  EXPECT_EQ(page.Regists(), std::vector<std::string>{std::string(22, '\t') + "0"});
  EXPECT_TRUE(d.IsBusy());
  for (int id : {D::kIdLoad, D::kIdCancel, D::kIdBrowse}) EXPECT_FALSE(d.IsItemEnabled(id)) << id;
}

TEST_F(VekSelectDialogTest, TheHeaderLibraryMissingOrIncomplete) {
  for (const char* variant : {"ovsvinfo-unloadable", "ovsvinfo-without-OvFMalt", "ovsvinfo-without-OvGetHeader",
                              "ovsvinfo-without-OvGetDataPath"}) {
    SCOPED_TRACE(variant);
    FakeHeaderLibrary missing(variant);
    MakeFiles(data, 2);
    TamselPage page(Params{{"Vek2Folder", data}});
    EXPECT_EQ(page.Boxes(), std::vector<std::string>{Message(1016)});
    EXPECT_EQ(page.services.Requests().at(0).box.icon, ui::BoxIcon::Stop);
    EXPECT_EQ(page.Select().ListRowCount(D::kIdList), 0);
    EXPECT_EQ(page.Select().FileCount(), 0);
    // Nothing can be read: no loading and no paging, also after another folder is listed; told once.
    MakeFiles(data + "/more", 25);
    page.services.QueuePath(data + "/more");
    Click(page.Select(), D::kIdBrowse);
    EXPECT_EQ(page.Select().FileCount(), 25);
    SelectRow(page.Select(), 0);
    for (int id : {D::kIdLoad, D::kIdPrevTop, D::kIdNextTop, D::kIdPrevBottom, D::kIdNextBottom}) {
      EXPECT_FALSE(page.Select().IsItemEnabled(id)) << id;
    }
    for (int id : {D::kIdCancel, D::kIdBrowse}) EXPECT_TRUE(page.Select().IsItemEnabled(id)) << id;
    EXPECT_EQ(page.Boxes().size(), 1u);
  }
}

}  // namespace
