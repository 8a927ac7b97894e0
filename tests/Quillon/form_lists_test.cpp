// The photo-list form's folder page, its paging and thumbnails, the folder box, drops, cell clicks and painting.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FormIds.h"
#include "form_test_support.h"
#include "platform/ui/painter.h"

namespace {

using namespace form_test;
using quillon::CFormDialogTestAccess;
using namespace quillon::form_ids;
using testing_support::Show;
using testing_support::TempFolder;

std::vector<std::string> PageNames(const CFormDialog& form) {
  std::vector<std::string> names;
  for (const quillon::FileEntry* e = form.FolderPage().Head(); e; e = e->next.get()) names.push_back(e->fileName);
  return names;
}

TEST(FormFolderPage, ThirtyFilesInPagesOfFourteen) {
  TempFolder photos;
  MakePhotos(photos, 30, 16, 12);
  FormPage page(Params{});
  page.ShowFolder(photos.path());
  CFormDialog& form = page.form();
  EXPECT_EQ(form.PhotoFolder(), photos.path() + "/");
  ASSERT_EQ(form.FolderPaths().size(), 30u);
  EXPECT_EQ(form.ItemText(kFileCount), "30");
  struct Step {
    const char* name;
    void (CFormDialog::*move)();
    int first;
    const char* pageNumber;
    bool back, forward;
    std::size_t cells;
  } steps[] = {
      {"the first page", nullptr, 0, "1", false, true, 14},
      {"next", &CFormDialog::PageForward, 14, "2", true, true, 14},
      {"next again", &CFormDialog::PageForward, 28, "3", true, false, 2},
      {"next on the last page does nothing", &CFormDialog::PageForward, 28, "3", true, false, 2},
      {"back", &CFormDialog::PageBack, 14, "2", true, true, 14},
      {"back again", &CFormDialog::PageBack, 0, "1", false, true, 14},
      {"back on the first page does nothing", &CFormDialog::PageBack, 0, "1", false, true, 14},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.name);
    if (s.move) (form.*s.move)();
    EXPECT_EQ(form.FolderFirst(), s.first);
    EXPECT_EQ(form.ItemText(kPageNumberTop), s.pageNumber);
    EXPECT_EQ(form.ItemText(kPageNumberBottom), s.pageNumber);
    EXPECT_EQ(form.ItemText(kPageCountTop), "3");
    for (int id : {kPageBackTop, kPageBackBottom}) EXPECT_EQ(form.IsItemEnabled(id), s.back);
    for (int id : {kPageForwardTop, kPageForwardBottom}) EXPECT_EQ(form.IsItemEnabled(id), s.forward);
    EXPECT_EQ(PageNames(form).size(), s.cells);
    for (std::size_t c = 0; c < 14; ++c) EXPECT_EQ(form.IsItemVisible(kCellZoom[c]), c < s.cells) << c;
  }
  // The buttons a person sees page the same way.
  page.Click(kPageForwardBottom);
  EXPECT_EQ(form.FolderFirst(), 14);
  page.Click(kPageBackTop);
  EXPECT_EQ(form.FolderFirst(), 0);
}

TEST(FormFolderPage, FifteenFilesMakeTwoPages) {
  TempFolder photos;
  MakePhotos(photos, 15, 16, 12);
  FormPage page(Params{{"ImageFolder", photos.path()}});
  EXPECT_EQ(page.form().ItemText(kPageCountTop), "2");
  EXPECT_TRUE(page.form().IsItemEnabled(kPageForwardTop));
  EXPECT_FALSE(page.form().IsItemEnabled(kPageBackTop));
}

TEST(FormFolderPage, ThumbnailsAtMost194) {
  TempFolder photos;
  WritePhoto(photos / "a_wide.jpg", 388, 200);
  WritePhoto(photos / "b_small.jpg", 150, 120);
  WritePhoto(photos / "c_tall.jpg", 100, 400);
  WriteBytes(photos / "d_damaged.jpg", "\xFF\xD8 no photograph");
  FormPage page(Params{{"ImageFolder", photos.path()}}, false);
  page.Create();
  CFormDialog& form = page.form();
  EXPECT_EQ(PageNames(form), (std::vector<std::string>{"a_wide.jpg", "b_small.jpg", "c_tall.jpg", "d_damaged.jpg"}));
  struct Cell {
    int w, h;
    bool loaded;
  } cells[] = {{194, 100, true}, {150, 120, true}, {48, 194, true}, {0, 0, false}};
  for (int c = 0; c < 4; ++c) {
    SCOPED_TRACE(c);
    EXPECT_EQ(form.FolderImage(c)->Width(), cells[c].w);
    EXPECT_EQ(form.FolderImage(c)->Height(), cells[c].h);
    EXPECT_EQ(form.FolderPage().At(c)->imageLoaded, cells[c].loaded);
    EXPECT_EQ(form.IsItemVisible(kCellZoom[c]), cells[c].loaded);
  }
  const std::vector<std::string> boxes = page.Boxes();
  ASSERT_FALSE(boxes.empty());
  EXPECT_EQ(Show(boxes.back()), Show(Message(1010, {photos / "d_damaged.jpg"})));
}

TEST(FormFolderPage, SortOrdersByTheList) {
  TempFolder photos;
  WritePhoto(photos / "b.jpg", 8, 8, 2020, 1, 1);
  WritePhoto(photos / "a.jpg", 8, 8, 2022, 1, 1);
  WritePhoto(photos / "c.jpg", 8, 8, 2021, 1, 1);
  FormPage page(Params{{"ImageFolder", photos.path()}});
  EXPECT_EQ(PageNames(page.form()), (std::vector<std::string>{"b.jpg", "c.jpg", "a.jpg"})) << "oldest first";
  struct Case {
    int entry;
    std::vector<std::string> names;
  } cases[] = {{0, {"a.jpg", "c.jpg", "b.jpg"}},
               {2, {"a.jpg", "b.jpg", "c.jpg"}},
               {3, {"c.jpg", "b.jpg", "a.jpg"}},
               {1, {"b.jpg", "c.jpg", "a.jpg"}}};
  for (const Case& c : cases) {
    std::string error;
    ASSERT_TRUE(ui::driver::Select(page.form(), kSortOrder, c.entry, &error)) << Show(error);
    EXPECT_EQ(PageNames(page.form()), c.names) << c.entry;
    EXPECT_EQ(page.form().FocusedItem(), kShowFolder);
  }
  EXPECT_EQ(page.form().ComboText(kSortOrder, 0), "新しい順");
}

TEST(FormFolderPage, MoreFilesThanTheHostAllows) {
  TempFolder photos;
  MakePhotos(photos, 3, 8, 8);
  for (ui::BoxAnswer answer : {ui::BoxAnswer::No, ui::BoxAnswer::Yes}) {
    SCOPED_TRACE(answer == ui::BoxAnswer::Yes ? "Yes" : "No");
    FormPage page(Params{{"MaxViewFileNum", "2"}});
    page.services().QueueAnswer(answer);
    page.ShowFolder(photos.path());
    const auto& requests = page.services().Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(Show(requests[0].box.text), Show(Message(2024)));
    EXPECT_EQ(requests[0].box.buttons, ui::BoxButtons::YesNo);
    EXPECT_EQ(requests[0].box.icon, ui::BoxIcon::Exclamation);
    EXPECT_EQ(requests[0].box.defaultButton, 1);
    const std::size_t listed = answer == ui::BoxAnswer::Yes ? 3 : 0;
    EXPECT_EQ(page.form().FolderPaths().size(), listed);
    EXPECT_EQ(PageNames(page.form()).size(), listed);
    page.Boxes();
    if (answer == ui::BoxAnswer::Yes) {
      // A new sort order of the same folder lists it all again without asking.
      std::string error;
      ASSERT_TRUE(ui::driver::Select(page.form(), kSortOrder, 3, &error));
      EXPECT_EQ(page.Boxes(), std::vector<std::string>{});
      EXPECT_EQ(page.form().FolderPaths().size(), 3u);
    }
  }
}

TEST(FormFolderPage, AnEmptyLimitAsksForEveryFolderOnceTheFormIsShown) {
  TempFolder photos;
  MakePhotos(photos, 1, 8, 8);
  FormPage page(Params{{"ImageFolder", photos.path()}, {"MaxViewFileNum", ""}}, false);
  page.services().QueueAnswer(ui::BoxAnswer::Yes);
  page.Create();
  // The question waited for the first painting of the form.
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{Message(2024)});
  EXPECT_EQ(page.form().FolderPaths().size(), 1u);
}

TEST(FormFolderPage, TheFolderBox) {
  TempFolder photos, other, past;
  MakePhotos(photos, 2, 8, 8);
  MakePhotos(other, 3, 8, 8);
  MakePhotos(past, 4, 8, 8);
  FormPage page(Params{{"ImageHistory2", past.path()}, {"ImageHistory4", other.path()}});
  CFormDialog& form = page.form();
  EXPECT_EQ(form.ComboCount(kPastFolders), 3);
  EXPECT_EQ(form.ComboText(kPastFolders, 0), "過去選択したフォルダはこちら");
  EXPECT_EQ(form.ComboText(kPastFolders, 1), past.path());

  page.Click(kShowFolder);
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{Message(2001)});

  std::string error;
  ASSERT_TRUE(ui::driver::Select(form, kPastFolders, 2, &error));
  EXPECT_EQ(form.FolderPaths().size(), 3u);
  EXPECT_EQ(form.ItemText(kFolderEdit), other.path() + "/");
  EXPECT_EQ(form.ComboSelection(kPastFolders), 0);
  EXPECT_EQ(form.FocusedItem(), kFolderEdit);

  page.services().QueuePath(photos.path());
  page.Click(kBrowseFolder);
  const auto& requests = page.services().Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].folder.title, "画像フォルダを選択してください。");
  EXPECT_EQ(requests[0].folder.initialFolder, other.path() + "/");
  EXPECT_EQ(form.FolderPaths().size(), 2u);
  EXPECT_EQ(form.ItemText(kFolderEdit), photos.path() + "/");
  page.Boxes();
  page.services().QueueCancel();
  page.Click(kBrowseFolder);
  EXPECT_EQ(form.FolderPaths().size(), 2u) << "a cancelled choice changes nothing";
}

TEST(FormFolderPage, PathsTooLongForTheFolder) {
  TempFolder photos;
  // The staging path of this name is 257 bytes or more; the name itself is short enough for the folder.
  FormPage page(Params{});
  const std::size_t stagingLength = page.SystemFolder().size() + std::string("ImageUploadTemp/").size();
  const std::string longName = std::string(257 - stagingLength - 4, 'n') + ".jpg";
  WritePhoto(photos / longName, 8, 8);
  WritePhoto(photos / "short.jpg", 8, 8);
  page.ShowFolder(photos.path());
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{Message(1003, {photos / longName})});
  EXPECT_EQ(page.form().FolderPaths(), std::vector<std::string>{photos / "short.jpg"});
}

TEST(FormFolderPage, AFolderPathOfMoreThan256BytesIsCut) {
  FormPage page(Params{});
  const std::string longPath = "/" + std::string(255, 'a') + "写";  // 258 bytes, the last character over 256
  page.Type(kFolderEdit, longPath);
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{"文字数が規定の範囲を超えています。変更してください。"});
  EXPECT_EQ(page.form().ItemText(kFolderEdit), longPath.substr(0, 256));
  EXPECT_TRUE(page.form().IsPathRejected());
  page.Type(kFolderEdit, "/" + std::string(255, 'b'));
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{}) << "256 bytes are taken";
  page.Type(kFolderEdit, "/" + std::string(254, 'b') + "写");
  EXPECT_EQ(page.Boxes().size(), 1u);
  EXPECT_EQ(page.form().ItemText(kFolderEdit), "/" + std::string(254, 'b')) << "never half a character";
}

// ---- picking photos ----

TEST(FormCells, AClickPicksAndAClickAgainTakesBack) {
  TempFolder photos;
  MakePhotos(photos, 3, 40, 30);
  FormPage page(Params{{"ImageFolder", photos.path()}});
  CFormDialog& form = page.form();
  const platform::ui::Rect cell = CFormDialogTestAccess::Cell(form, 1);
  struct Click {
    const char* name;
    int x, y;
    int count;
  } clicks[] = {
      {"on the left border", cell.left, cell.top + 10, 0},
      {"on the top border", cell.left + 10, cell.top, 0},
      {"on the right edge", cell.right, cell.top + 10, 0},
      {"inside", cell.left + 1, cell.top + 1, 1},
      {"inside again", cell.left + 5, cell.bottom - 1, 0},
  };
  for (const Click& c : clicks) {
    CFormDialogTestAccess::LButtonDown(form, c.x, c.y);
    EXPECT_EQ(form.RegistrationList().Count(), c.count) << c.name;
    EXPECT_EQ(form.FolderPage().At(1)->mark, c.count) << c.name;
  }
  page.Click(kCellPictures[2]);
  EXPECT_EQ(form.RegistrationList().Count(), 1);
  EXPECT_EQ(form.RegistrationList().At(0)->fileName, "p03.jpg");
  EXPECT_EQ(form.RowState(0), "追加ファイル");
  EXPECT_EQ(form.RegistrationSelected(), 0);
  EXPECT_TRUE(form.IsItemVisible(kRowEdit[0]));
  EXPECT_TRUE(platform::IsFile(page.SystemFolder() + "ImageUploadTemp/p03.jpg"));
  EXPECT_TRUE(form.FolderPage().At(2)->mark);
}

TEST(FormDrops, OnlyJpegFilesAndNoMoreThanNine) {
  TempFolder photos;
  MakePhotos(photos, 9, 20, 20);
  WritePhoto(photos / "A.JPG", 20, 20);
  WritePhoto(photos / "a.jpeg", 20, 20);
  FormPage page(Params{});
  CFormDialog& form = page.form();
  CFormDialogTestAccess::Drop(form, {photos / "A.JPG", photos / "a.jpeg"});
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{Message(2012, {photos / "a.jpeg"})});
  ASSERT_EQ(form.RegistrationList().Count(), 1);
  EXPECT_EQ(form.RegistrationList().At(0)->fileName, "A.JPG");
  EXPECT_EQ(form.AddPhotoToRegistration(0, 0), 0) << "an unknown source takes nothing";
  CFormDialogTestAccess::Drop(form, {photos / "p01.jpg", photos / "p02.jpg", photos / "p03.jpg", photos / "p04.jpg"});
  EXPECT_EQ(form.RegistrationList().Count(), 5);
  // Five more would make ten: none is taken.
  CFormDialogTestAccess::Drop(form, {photos / "p05.jpg", photos / "p06.jpg", photos / "p07.jpg", photos / "p08.jpg",
                                     photos / "p09.jpg"});
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{Message(2003, {9})});
  EXPECT_EQ(form.RegistrationList().Count(), 5);
  CFormDialogTestAccess::Drop(form, {photos / "p05.jpg", photos / "p06.jpg", photos / "p07.jpg", photos / "p08.jpg"});
  EXPECT_EQ(form.RegistrationList().Count(), 9);
  EXPECT_EQ(form.ItemText(kCountTop), "9");
  // Dropped from the driver, as a person drops.
  std::string error;
  EXPECT_TRUE(ui::driver::DropFiles(form, {photos / "p09.jpg"}, &error)) << Show(error);
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{Message(2003, {9})});
}

// ---- painting ----

TEST(FormPainting, ThumbnailsInTheirFramesAndRowsAfterARemoval) {
  TempFolder photos;
  WritePhoto(photos / "wide.jpg", 388, 200);
  WritePhoto(photos / "tall.jpg", 60, 300);
  FormPage page(Params{{"ImageFolder", photos.path()}}, false);
  page.Create();
  page.Boxes();
  CFormDialog& form = page.form();
  page.Click(kCellPictures[0]);
  page.Click(kCellPictures[1]);
  ASSERT_EQ(form.RegistrationList().Count(), 2);
  // Removing the first row through its check box leaves no row selected.
  page.Click(kRowChecks[0]);
  page.services().QueueAnswer(ui::BoxAnswer::Ok);
  page.Click(kRemoveRowsTop);
  ASSERT_EQ(form.RegistrationList().Count(), 1);
  ASSERT_EQ(form.RegistrationSelected(), -1);
  platform::ui::RecordingPainter painter;
  form.Paint(painter);
  std::vector<platform::ui::PaintCall> bitmaps = painter.Of(platform::ui::PaintOp::Bitmap);
  ASSERT_EQ(bitmaps.size(), 3u) << "two cells and the remaining row";
  for (int c = 0; c < 2; ++c) {
    const platform::ui::Rect frame = CFormDialogTestAccess::Cell(form, c);
    const platform::ui::Rect fit = quillon::FitThumbnail(bitmaps[c].bitmapWidth, bitmaps[c].bitmapHeight,
                                                         frame.Width(), frame.Height());
    EXPECT_EQ(bitmaps[c].rect, platform::ui::RectAt(frame.left + fit.left, frame.top + fit.top, fit.Width(),
                                                    fit.Height()))
        << platform::ui::Describe(bitmaps[c]);
  }
  EXPECT_EQ(bitmaps[0].bitmapWidth, 38) << "tall.jpg comes first by name";
  EXPECT_EQ(bitmaps[0].bitmapHeight, 194);
  EXPECT_EQ(bitmaps[1].bitmapWidth, 194);
  EXPECT_EQ(bitmaps[1].bitmapHeight, 100);
  const platform::ui::Rect row = CFormDialogTestAccess::RowPicture(form, 0);
  EXPECT_GE(bitmaps[2].rect.left, row.left);
  EXPECT_LE(bitmaps[2].rect.right, row.right);
  EXPECT_EQ(bitmaps[2].bitmapHeight, 100) << "the wide photo is the one left, drawn though no row is selected";

  // With every row removed, nothing is drawn in the lower grid.
  form.RemoveRegistrationRow(0);
  platform::ui::RecordingPainter after;
  form.Paint(after);
  EXPECT_EQ(after.Of(platform::ui::PaintOp::Bitmap).size(), 2u);
}

}  // namespace

namespace {

// A photo that cannot be read is told once: not again at each page build, a sort change or a page turn.
TEST(FormLists, AnUnreadablePhotoIsToldOnce) {
  testing_support::TempFolder photos;
  MakePhotos(photos, 15);
  WriteBytes(photos / "broken1.jpg", "no JPEG at all");
  WriteBytes(photos / "broken2.jpg", std::string("\xFF\xD8\xFF\xE0", 4) + "cut");
  FormPage page(Params{{"ImageFolder", photos.path()}});
  auto unreadable = [&](const std::vector<std::string>& boxes) {
    int n = 0;
    for (const std::string& b : boxes) n += b.find("(SE0010)") != std::string::npos;
    return n;
  };
  const int first = unreadable(page.Boxes());
  std::string error;
  for (int entry : {3, 2, 0, 1}) {
    ASSERT_TRUE(ui::driver::Select(page.form(), kSortOrder, entry, &error)) << Show(error);
    page.form().PageForward();
    page.form().PageBack();
  }
  page.ShowFolder(photos.path());
  // Each broken file was on a page at least once, and was told once.
  EXPECT_EQ(first + unreadable(page.Boxes()), 2);
  // A file put in its place is a new file.
  WriteBytes(photos / "broken1.jpg", "still no JPEG, and longer than before");
  page.ShowFolder(photos.path());
  ASSERT_TRUE(ui::driver::Select(page.form(), kSortOrder, 3, &error)) << Show(error);
  page.form().PageForward();
  page.form().PageBack();
  EXPECT_EQ(unreadable(page.Boxes()), 1);
}

}  // namespace
