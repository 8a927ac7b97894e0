// What the photo-list form does when the person acts: photos into and out of the registration list, moves,
// the links, attachments, and the check before a registration.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include <string>
#include <utility>
#include <vector>

#include "CImageDialog.h"
#include "FormIds.h"
#include "form_test_support.h"
#include "image_server.h"
#include "platform/ui/timers.h"

namespace {

using namespace form_test;
using namespace quillon::form_ids;
using quillon::CFormDialogTestAccess;
using testing_support::ReadRaw;
using testing_support::Show;
using testing_support::TempFolder;

std::vector<std::string> RowNames(const CFormDialog& form) {
  std::vector<std::string> names;
  for (const quillon::FileEntry* e = form.RegistrationList().Head(); e; e = e->next.get()) {
    names.push_back(e->fileName);
  }
  return names;
}

TEST(FormAdd, TheYearsAPhotoMayBeWritten) {
  testing_support::TimeZoneScope zone("JST-9");
  TempFolder photos;
  struct Case {
    const char* name;
    int year;
    bool taken;
  } cases[] = {{"a1969.jpg", 1969, false}, {"b1970.jpg", 1970, true}, {"c2037.jpg", 2037, true},
               {"d2038.jpg", 2038, false}};
  for (const Case& c : cases) WritePhoto(photos / c.name, 8, 8, c.year, 7, 1);
  FormPage page(Params{{"ImageFolder", photos.path()}, {"TorvaneFileName", ""}}, false);
  page.Create();
  ASSERT_EQ(page.form().FolderPaths().size(), 4u);
  // Sorted oldest first, the cells hold the cases in their order.
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(cases[i].name);
    ASSERT_EQ(page.form().FolderPage().At(i)->fileName, cases[i].name);
    EXPECT_EQ(page.form().AddPhotoToRegistration(i, CFormDialog::kFromFolderPage), cases[i].taken ? 1 : 0);
    EXPECT_EQ(page.Boxes(), cases[i].taken ? std::vector<std::string>{} : std::vector<std::string>{Message(2002)});
  }
  EXPECT_EQ(RowNames(page.form()), (std::vector<std::string>{"b1970.jpg", "c2037.jpg"}));
}

TEST(FormAdd, TheTenthPhotoWhateverItsSource) {
  testing_support::ImageServer server;
  ASSERT_TRUE(server.ok());
  TempFolder photos, more;
  MakePhotos(photos, 10, 8, 8);
  WritePhoto(more / "extra.jpg", 8, 8);
  {
    TempFolder t;
    WritePhoto(t / "r.jpg", 8, 8);
    ASSERT_TRUE(server.AddFile("/img/R1.jpg", ReadRaw(t / "r.jpg")));
  }
  FormPage page(Params{{"ImageFolder", photos.path()}, {"ImageServerURL", server.Url("/img/")},
                       {"DBImageFileNM1", "R1.jpg"}, {"DBImageFilePrtNM1", "registered.jpg"},
                       {"DBImageFileTime1", "20240101000000"}, {"DBImageEntryTime1", "20240102000000"}});
  CFormDialog& form = page.form();
  ASSERT_EQ(RowNames(form), std::vector<std::string>{"registered.jpg"});
  for (int i = 0; i < 8; ++i) ASSERT_EQ(form.AddPhotoToRegistration(i, CFormDialog::kFromFolderPage), 1) << i;
  page.Boxes();
  const std::string refusal = Message(2003, {9});
  EXPECT_EQ(form.AddPhotoToRegistration(8, CFormDialog::kFromFolderPage), 0);
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{refusal}) << "from the folder page";
  EXPECT_EQ(form.AddPhotoToRegistration(0, CFormDialog::kFromRegisteredList), 0);
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{refusal}) << "from the registered photos";
  CFormDialogTestAccess::Drop(form, {more / "extra.jpg"});
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{refusal}) << "by a drop";
  EXPECT_EQ(form.RegistrationList().Count(), 9);
}

TEST(FormAdd, NamesTakenAlready) {
  TempFolder a, b, docs;
  WritePhoto(a / "Photo.jpg", 8, 8);
  WritePhoto(b / "photo.JPG", 8, 8);
  WritePhoto(a / "doc.jpg", 8, 8);
  WriteBytes(docs / "DOC.jpg", "a document with a photo's name");
  FormPage page(Params{{"ImageFolder", a.path()}});
  CFormDialog& form = page.form();
  ASSERT_EQ(form.FolderPage().At(0)->fileName, "Photo.jpg");
  ASSERT_EQ(form.AddPhotoToRegistration(0, CFormDialog::kFromFolderPage), 1);
  CFormDialogTestAccess::Drop(form, {b / "photo.JPG"});
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{Message(2004, {"photo.JPG"})}) << "a name differing in case";
  page.Type(kAttachEdit, docs / "DOC.jpg");
  page.Click(kAttachAdd);
  page.Boxes();
  ASSERT_EQ(form.Slot(0).displayName, "DOC.jpg");
  EXPECT_EQ(form.AddPhotoToRegistration(1, CFormDialog::kFromFolderPage), 0);
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{Message(2004, {"doc.jpg"})}) << "an attachment's name";
  EXPECT_EQ(form.RegistrationList().Count(), 1);
}

TEST(FormAdd, APhotoOfTheStagingFolderIsNeverDeleted) {
  TempFolder photos;
  MakePhotos(photos, 1, 8, 8);
  FormPage page(Params{{"ImageFolder", photos.path()}});
  CFormDialog& form = page.form();
  ASSERT_EQ(form.AddPhotoToRegistration(0, CFormDialog::kFromFolderPage), 1);
  ASSERT_EQ(form.RemoveRegistrationRow(0), 1);
  const std::string staging = page.SystemFolder() + "ImageUploadTemp";
  const std::string staged = staging + "/p01.jpg";
  const std::string before = ReadRaw(staged);
  ASSERT_FALSE(before.empty());
  page.ShowFolder(staging);
  ASSERT_EQ(form.FolderPage().At(0)->fullPath, staged);
  EXPECT_EQ(form.AddPhotoToRegistration(0, CFormDialog::kFromFolderPage), 0);
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{Message(1011, {staged})});
  EXPECT_EQ(ReadRaw(staged), before);
}

TEST(FormAdd, AReadOnlySourceGivesAStagedCopyThatCanGo) {
  TempFolder photos;
  MakePhotos(photos, 1, 8, 8);
  ASSERT_TRUE(platform::SetAttributes(photos / "p01.jpg", platform::kAttrReadOnly));
  FormPage page(Params{{"ImageFolder", photos.path()}});
  ASSERT_EQ(page.form().AddPhotoToRegistration(0, CFormDialog::kFromFolderPage), 1);
  const std::string staged = page.SystemFolder() + "ImageUploadTemp/p01.jpg";
  EXPECT_EQ(platform::GetAttributes(staged) & platform::kAttrReadOnly, 0u);
  // Added again after a removal, the staged copy is replaced.
  ASSERT_EQ(page.form().RemoveRegistrationRow(0), 1);
  EXPECT_EQ(page.form().AddPhotoToRegistration(0, CFormDialog::kFromFolderPage), 1);
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{});
}

// ---- removing and moving ----

class FormRows : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.ok());
    TempFolder t;
    WritePhoto(t / "r.jpg", 30, 20);
    ASSERT_TRUE(server.AddFile("/img/R1.jpg", ReadRaw(t / "r.jpg")));
    MakePhotos(photos, 3, 30, 20);
    page = std::make_unique<FormPage>(
        Params{{"ImageFolder", photos.path()}, {"ImageServerURL", server.Url("/img/")}, {"DBImageFileNM1", "R1.jpg"},
               {"DBImageFilePrtNM1", "registered.jpg"}, {"DBImageFileTime1", "20240101000000"},
               {"DBImageEntryTime1", "20240102000000"}, {"DBImageFileSize1", "1000"}});
    for (int i = 0; i < 3; ++i) ASSERT_EQ(page->form().AddPhotoToRegistration(i, CFormDialog::kFromFolderPage), 1);
    ASSERT_EQ(RowNames(page->form()),
              (std::vector<std::string>{"registered.jpg", "p01.jpg", "p02.jpg", "p03.jpg"}));
  }
  testing_support::ImageServer server;
  TempFolder photos;
  std::unique_ptr<FormPage> page;
};

TEST_F(FormRows, MovesStayAmongTheAddedRows) {
  CFormDialog& form = page->form();
  EXPECT_FALSE(form.IsItemVisible(kRowLeft[0])) << "a registered row does not move";
  EXPECT_FALSE(form.IsItemEnabled(kRowLeft[1])) << "the first added row goes no further up";
  EXPECT_FALSE(form.IsItemEnabled(kRowRight[3])) << "the last row goes no further down";
  form.CheckItem(kRowChecks[3], true);
  page->Click(kRowChecks[3]);
  page->Click(kRowChecks[3]);
  page->Click(kRowLeft[3]);
  EXPECT_EQ(RowNames(form), (std::vector<std::string>{"registered.jpg", "p01.jpg", "p03.jpg", "p02.jpg"}));
  EXPECT_TRUE(form.IsItemChecked(kRowChecks[2])) << "the check moves with its row";
  EXPECT_FALSE(form.IsItemChecked(kRowChecks[3]));
  EXPECT_EQ(form.ItemText(kRowNames[2]), "p03.jpg");
  EXPECT_EQ(form.RowImage(2)->Width(), 30);
  page->Click(kRowRight[1]);
  EXPECT_EQ(RowNames(form), (std::vector<std::string>{"registered.jpg", "p03.jpg", "p01.jpg", "p02.jpg"}));
  EXPECT_TRUE(form.IsItemChecked(kRowChecks[1]));
}

TEST_F(FormRows, RemovingRowsTellsWhatWasRegistered) {
  CFormDialog& form = page->form();
  EXPECT_FALSE(form.IsItemEnabled(kRemoveRowsTop)) << "nothing checked";
  page->Click(kRowChecks[2]);
  EXPECT_TRUE(form.IsItemEnabled(kRemoveRowsTop));
  EXPECT_TRUE(form.IsItemEnabled(kRemoveRowsBottom));
  page->services().QueueAnswer(ui::BoxAnswer::Cancel);
  page->Click(kRemoveRowsBottom);
  EXPECT_EQ(form.RegistrationList().Count(), 4) << "cancelled";
  page->services().QueueAnswer(ui::BoxAnswer::Ok);
  page->Click(kRemoveRowsTop);
  EXPECT_EQ(page->Boxes().back(), "選択した画像ファイルの削除を行います。よろしいですか？");
  EXPECT_EQ(RowNames(form), (std::vector<std::string>{"registered.jpg", "p01.jpg", "p03.jpg"}));
  EXPECT_EQ(form.DeletedFlag(), "0") << "an added photo was removed";
  EXPECT_FALSE(form.FolderPage().At(1)->mark) << "its cell is no longer chosen";
  EXPECT_EQ(form.ItemText(kCountTop), "3");
  page->Click(kRowChecks[0]);
  page->Click(kRowChecks[2]);
  page->services().QueueAnswer(ui::BoxAnswer::Ok);
  page->Click(kRemoveRowsTop);
  EXPECT_EQ(RowNames(form), std::vector<std::string>{"p01.jpg"});
  EXPECT_EQ(form.DeletedFlag(), "1") << "a registered photo was removed";
  EXPECT_FALSE(form.IsItemVisible(kRowPictures[1]));
  EXPECT_EQ(form.ItemText(kRowStates[1]), "");
  page->Click(kRowChecks[0]);
  page->services().QueueAnswer(ui::BoxAnswer::Ok);
  page->Click(kRemoveRowsTop);
  EXPECT_EQ(form.RegistrationList().Count(), 0);
  EXPECT_EQ(form.RegistrationFirst(), -1);
  EXPECT_EQ(form.RegisteredImageList().Count(), 0) << "an empty list resets the registered photos too";
  EXPECT_FALSE(form.IsItemEnabled(kBatchResize));
  page->Boxes();
  form.EnableItem(kRemoveRowsTop, true);
  page->Click(kRemoveRowsTop);
  EXPECT_EQ(page->Boxes(), std::vector<std::string>{Message(2022)});
}

TEST_F(FormRows, TheLinksCheckAllAndLightForAWhile) {
  page.reset();
  ui::TestTimerClock clock;
  page = std::make_unique<FormPage>(Params{{"ImageFolder", photos.path()}, {"UploadColorChangeTime", "500"}});
  CFormDialog& form = page->form();
  for (int i = 0; i < 2; ++i) ASSERT_EQ(form.AddPhotoToRegistration(i, CFormDialog::kFromFolderPage), 1);
  page->Click(kSelectAllTop);
  EXPECT_TRUE(form.IsItemChecked(kRowChecks[0]));
  EXPECT_TRUE(form.IsItemChecked(kRowChecks[1]));
  EXPECT_FALSE(form.IsItemChecked(kRowChecks[2])) << "a row without a photo stays";
  EXPECT_TRUE(form.IsItemEnabled(kRemoveRowsTop));
  EXPECT_TRUE(form.IsLinkHighlighted(kSelectAllTop));
  clock.Advance(499);
  EXPECT_TRUE(form.IsLinkHighlighted(kSelectAllTop));
  page->Click(kClearAllBottom);
  EXPECT_FALSE(form.IsLinkHighlighted(kSelectAllTop));
  EXPECT_TRUE(form.IsLinkHighlighted(kClearAllBottom));
  EXPECT_FALSE(form.IsItemChecked(kRowChecks[0]));
  EXPECT_FALSE(form.IsItemEnabled(kRemoveRowsTop));
  clock.Advance(499);
  EXPECT_TRUE(form.IsLinkHighlighted(kClearAllBottom)) << "the second click started the time again";
  clock.Advance(1);
  for (int id : kLinks) EXPECT_FALSE(form.IsLinkHighlighted(id)) << id;
}

// ---- the image dialog and the batch resize ----

// The size of a JPEG file as its header tells it.
std::pair<int, int> JpegSize(const std::string& path) {
  int w = 0, h = 0, components = 0, fileWidth = 0, fileHeight = 0;
  quillon::ReadJpegFileScaled(path, 1, w, h, components, fileWidth, fileHeight);
  return {fileWidth, fileHeight};
}

TEST(FormImageDialog, OpensForACellAndForARow) {
  TempFolder photos;
  MakePhotos(photos, 1, 40, 30);
  FormPage page(Params{{"ImageFolder", photos.path()}});
  CFormDialog& form = page.form();
  ASSERT_EQ(form.AddPhotoToRegistration(0, CFormDialog::kFromFolderPage), 1);
  struct Case {
    const char* name;
    int button;
    const char* title;
    std::string path;
  } cases[] = {
      {"a cell's zoom shows the folder's photo", kCellZoom[0], "画像拡大", photos / "p01.jpg"},
      {"a row's zoom shows the staged photo", kRowZoom[0], "画像拡大", page.SystemFolder() + "ImageUploadTemp/p01.jpg"},
      {"a row's edit changes the staged photo", kRowEdit[0], "画像編集", page.SystemFolder() + "ImageUploadTemp/p01.jpg"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string title, path, closeCaption;
    ui::PostTask([&] {
      ui::DispatchPendingMessages();
      auto* dialog = dynamic_cast<quillon::CImageDialog*>(ui::driver::VisibleDialog(page.page->host));
      ASSERT_NE(dialog, nullptr);
      title = dialog->Text();
      path = dialog->PhotoPath();
      closeCaption = dialog->ItemText(quillon::CImageDialog::kIdClose);
      std::string error;
      EXPECT_TRUE(ui::driver::Click(*dialog, quillon::CImageDialog::kIdClose, &error)) << Show(error);
    });
    page.Click(c.button);
    EXPECT_EQ(Show(title), Show(c.title));
    EXPECT_EQ(path, c.path);
    EXPECT_EQ(page.Boxes(), std::vector<std::string>{});
  }
  EXPECT_EQ(form.RegistrationList().At(0)->editable, 1) << "opened for editing last";
  EXPECT_EQ(page.ctrl().GetImageFolder(), photos.path() + "/") << "a cell's zoom hands the folder to the control";
}

TEST(FormImageDialog, BatchResizeShrinksTheAddedPhotos) {
  TempFolder photos;
  WritePhoto(photos / "a.jpg", 2000, 1500);
  WritePhoto(photos / "b.jpg", 100, 80);
  WritePhoto(photos / "c.jpg", 1500, 2000);
  FormPage page(Params{{"ImageFolder", photos.path()}});
  CFormDialog& form = page.form();
  EXPECT_FALSE(form.IsItemEnabled(kBatchResize)) << "the button follows the registration list";
  for (int i = 0; i < 3; ++i) ASSERT_EQ(form.AddPhotoToRegistration(i, CFormDialog::kFromFolderPage), 1);
  EXPECT_TRUE(form.IsItemEnabled(kBatchResize));
  const std::int64_t before = form.TotalKB();
  page.services().QueueAnswer(ui::BoxAnswer::Cancel);
  page.Click(kBatchResize);
  const std::string staging = page.SystemFolder() + "ImageUploadTemp/";
  EXPECT_EQ(JpegSize(staging + "a.jpg"), std::make_pair(2000, 1500)) << "cancelled";
  page.Boxes();
  page.services().QueueAnswer(ui::BoxAnswer::Ok);
  page.Click(kBatchResize);
  const std::vector<std::string> boxes = page.Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0], "一括サイズ変換を行ないます。よろしいですか？");
  EXPECT_EQ(Show(boxes[1]), Show("2件のサイズ変更が完了しました。\n\n画像番号=1、3"));
  EXPECT_EQ(JpegSize(staging + "a.jpg"), std::make_pair(600, 450));
  EXPECT_EQ(JpegSize(staging + "b.jpg"), std::make_pair(100, 80));
  EXPECT_EQ(JpegSize(staging + "c.jpg"), std::make_pair(450, 600));
  EXPECT_EQ(JpegSize(photos / "a.jpg"), std::make_pair(2000, 1500)) << "the folder's photo stays";
  EXPECT_EQ(form.RegistrationList().At(0)->size, platform::FileSize(staging + "a.jpg"));
  EXPECT_LT(form.TotalKB(), before);
  page.services().QueueAnswer(ui::BoxAnswer::Ok);
  page.Click(kBatchResize);
  EXPECT_EQ(page.Boxes().back(), Message(2021)) << "nothing left to shrink";
}

// ---- attachments ----

// What is no regular file is refused as an attachment: at "追加" as a file that cannot be read (the file layer
// opens it without waiting on it), and at the latest by "確定" before anything is posted.
TEST(FormAttach, ADeviceOrAFifoIsNoAttachment) {
  TempFolder docs;
  ASSERT_EQ(mkfifo((docs / "pipe.pdf").c_str(), 0600), 0);
  ASSERT_EQ(symlink("/dev/zero", (docs / "zero.pdf").c_str()), 0);
  struct Case {
    const char* name;
    std::string path;
  } cases[] = {{"a FIFO", docs / "pipe.pdf"}, {"a link to /dev/zero", docs / "zero.pdf"}, {"/dev/zero", "/dev/zero"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FormPage page(Params{});
    page.Type(kAttachEdit, c.path);
    page.Click(kAttachAdd);
    // The file layer refuses what is no regular file with EINVAL.
    EXPECT_EQ(page.Boxes(), std::vector<std::string>{Message(1012, {c.path, EINVAL})});
    EXPECT_TRUE(page.form().Slot(0).path.empty());
    EXPECT_TRUE(page.form().IsPathRejected());
  }
  // An attached document that is a device by the time of "確定": the empty-file test refuses it.
  WriteBytes(docs / "doc.pdf", "the document");
  FormPage page(Params{{"UPLOAD_CHECK", "0"}});
  page.Type(kAttachEdit, docs / "doc.pdf");
  page.Click(kAttachAdd);
  page.Boxes();
  ASSERT_EQ(page.form().Slot(0).path, docs / "doc.pdf");
  std::filesystem::remove(docs / "doc.pdf");
  ASSERT_EQ(symlink("/dev/zero", (docs / "doc.pdf").c_str()), 0);
  page.Click(205);  // 確定
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{Message(2017, {"1"})});
  EXPECT_EQ(page.ctrl().GetMode(), 0) << "no registration started";
}

TEST(FormAttach, PathsIntoTheTwoSlots) {
  TempFolder docs, others;
  WriteBytes(docs / "one.pdf", std::string(3000, 'a'));
  WriteBytes(docs / "two.xls", "b");
  WriteBytes(docs / "three.doc", "c");
  WriteBytes(others / "ONE.pdf", "d");
  FormPage page(Params{});
  CFormDialog& form = page.form();
  page.Click(kAttachAdd);
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{Message(2007)}) << "nothing typed";

  page.Type(kAttachEdit, docs / "missing.pdf");
  page.Click(kAttachAdd);
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{Message(2005)});
  EXPECT_EQ(form.ItemText(kAttachEdit), "") << "a refused path is cleared";
  EXPECT_TRUE(form.IsPathRejected());

  page.services().QueuePath(docs / "one.pdf");
  page.Click(kAttachBrowse);
  const auto requests = page.services().Requests();
  ASSERT_GE(requests.size(), 2u);
  const ui::FileDialogRequest& dialog = requests[0].file;
  EXPECT_FALSE(dialog.save);
  EXPECT_EQ(dialog.filter,
            "すべてのファイル (*.*)|*.*|Microsoft Wordファイル (*.doc)|*.doc|Microsoft Excelファイル (*.xls)|*.xls|"
            "Acrobat PDFファイル (*.pdf)|*.pdf|");
  EXPECT_EQ(dialog.defaultExtension, "*.doc|*.xls|*.pdf|*.*");
  EXPECT_EQ(dialog.flags, ui::kHideReadOnly | ui::kNoChangeDir | ui::kFileMustExist);
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{"添付ファイル１に設定しました。"});
  EXPECT_FALSE(form.IsPathRejected());
  EXPECT_EQ(form.Slot(0).path, docs / "one.pdf");
  EXPECT_EQ(form.Slot(0).info, "追加ファイル");
  EXPECT_EQ(form.Slot(0).size, 3000);
  EXPECT_EQ(form.ItemText(293), "one.pdf");
  EXPECT_EQ(page.ctrl().GetParamString(2, 0), docs / "one.pdf");
  EXPECT_EQ(page.ctrl().GetParamString(3, 0), "追加ファイル");
  EXPECT_EQ(form.FocusedItem(), 346);
  EXPECT_EQ(form.TotalKB(), 3);

  page.Type(kAttachEdit, others / "ONE.pdf");
  page.Click(kAttachAdd);
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{Message(2004, {"ONE.pdf"})}) << "the other slot's name";

  page.services().QueuePath(docs / "two.xls");
  page.Click(kAttachBrowse);
  EXPECT_EQ(page.services().Requests()[0].file.initialFolder, others.path() + "/") << "where the edit's path lies";
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{"添付ファイル２に設定しました。"});
  EXPECT_EQ(form.Slot(1).path, docs / "two.xls");
  EXPECT_FALSE(form.IsItemEnabled(kAttachBrowse)) << "both slots are taken";
  EXPECT_FALSE(form.IsItemEnabled(kAttachAdd));
  page.Type(kAttachEdit, docs / "three.doc");
  form.EnableItem(kAttachAdd, true);
  page.Click(kAttachAdd);
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{Message(2006)});
}

TEST(FormAttach, AnAttachmentOverTheLimitTellsThePage) {
  TempFolder docs;
  WriteBytes(docs / "big.pdf", std::string(5000, 'a'));
  FormPage page(Params{{"MaxByte", "4"}});
  page.page->events.clear();
  page.Type(kAttachEdit, docs / "big.pdf");
  page.Click(kAttachAdd);
  EXPECT_EQ(page.form().RemainingKB(), -1);
  int resizeEvents = 0;
  for (const auto& e : page.page->events) resizeEvents += e.id == quillon::CQuillonCtrl::kDispidOnScrollResizeInfo;
  EXPECT_EQ(resizeEvents, 1);
  EXPECT_TRUE(page.form().IsItemVisible(kBatchResizeHint));
  EXPECT_EQ(page.form().ItemText(kRemainingSize), "-1");
}

TEST(FormAttach, RemovingSlotsMovesTheSecondUp) {
  TempFolder docs;
  WriteBytes(docs / "added.pdf", "x");
  struct Case {
    const char* name;
    Params params;
    int removed;  // slot checked
    const char* firstInfo;
    const char* firstNumber;
    const char* deleted;
    const char* controlTime0;  // the control's first file time afterwards
  } cases[] = {
      {"a registered first slot goes; the added second moves up",
       {{"DBEstimateFileName1", "reg.vek"}, {"DBEstimateEntryTime1", "20240101093000"}}, 0, "追加ファイル", "2", "1",
       "追加ファイル"},
      {"an added first slot goes; the registered second moves up with its number",
       {{"DBEstimateFileName2", "reg.vek"}, {"DBEstimateEntryTime2", "20240101093000"},
        {"DBEstimateFileTime2", "20231231120000"}},
       0, "(2024/01/01 09:30:00)", "2", "0", "20231231120000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FormPage page(c.params);
    CFormDialog& form = page.form();
    page.Type(kAttachEdit, docs / "added.pdf");
    page.Click(kAttachAdd);
    page.Boxes();
    ASSERT_FALSE(form.Slot(0).path.empty());
    ASSERT_FALSE(form.Slot(1).path.empty());
    page.Click(kSlotChecks[c.removed]);
    EXPECT_TRUE(form.IsItemEnabled(kRemoveAttachments));
    page.services().QueueAnswer(ui::BoxAnswer::Ok);
    page.Click(kRemoveAttachments);
    EXPECT_EQ(page.Boxes(), std::vector<std::string>{"選択した添付ファイルの削除を行います。よろしいですか？"});
    EXPECT_EQ(form.Slot(0).info, c.firstInfo);
    EXPECT_EQ(form.Slot(0).downloadNumber, c.firstNumber);
    EXPECT_TRUE(form.Slot(1).path.empty());
    EXPECT_FALSE(form.IsItemVisible(kSlotDownloads[1]));
    EXPECT_EQ(form.DeletedFlag(), c.deleted);
    EXPECT_EQ(page.ctrl().GetParamString(3, 0), c.controlTime0);
    EXPECT_EQ(page.ctrl().GetParamString(2, 1), "");
  }
  FormPage empty(Params{});
  empty.form().EnableItem(kRemoveAttachments, true);
  empty.Click(kRemoveAttachments);
  EXPECT_EQ(empty.Boxes(), std::vector<std::string>{Message(2023)});
}

// ---- the check before a registration ----

class FormCheck : public testing::Test {
 protected:
  // A form with one photo added from the folder, its comment and the host's values.
  std::unique_ptr<FormPage> Open(Params extra, bool addPhoto = true) {
    Params p{{"ImageFolder", photos.path()}, {"DBComment", "前回のコメント"}, {"MaxCommentByte", "14"}};
    for (auto& [k, v] : extra) p[k] = v;
    auto page = std::make_unique<FormPage>(p);
    if (addPhoto) {
      EXPECT_EQ(page->form().AddPhotoToRegistration(0, CFormDialog::kFromFolderPage), 1);
    }
    page->Boxes();
    return page;
  }
  void SetUp() override { WritePhoto(photos / "p.jpg", 320, 240); }
  TempFolder photos;
};

TEST_F(FormCheck, RefusalsInTheirOrder) {
  const std::int64_t photoKb = quillon::KilobytesOf(platform::FileSize(photos / "p.jpg"));
  struct Case {
    const char* name;
    Params params;
    std::string comment;  // typed into the comment box
    bool addPhoto;
    int result;
    std::vector<std::string> boxes;
  } cases[] = {
      {"the size limit below the total", {{"MaxByte", std::to_string(photoKb - 1)}}, "", true, -1, {Message(2013)}},
      {"the size limit equal to the total", {{"MaxByte", std::to_string(photoKb)}}, "", true, 1, {}},
      {"a TAB, though the comment is also too long", {}, "a\tbcdefghijklmnopq", true, -1, {Message(2014)}},
      {"a comment of exactly the limit", {}, "01234567890123", true, 1, {}},
      {"one byte more", {}, "012345678901234", true, -1, {Message(2018)}},
      {"double-byte characters of exactly the limit", {}, "あいうえおかき", true, 1, {}},
      {"a double-byte character counts two bytes", {}, "あいうえおかきa", true, -1, {Message(2018)}},
      {"nothing changed", {}, "前回のコメント", false, -1, {Message(2015)}},
      {"only the comment changed", {}, "新しい", false, 1, {}},
      {"only the comment changed of a new item", {{"NewItem", "1"}}, "新しい", false, -1, {Message(2015)}},
      {"nothing changed, and no check asked", {{"UPLOAD_CHECK", "0"}}, "前回のコメント", false, 1, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto page = Open(c.params, c.addPhoto);
    page->form().SetItemText(kComment, c.comment);
    const std::string staging = page->SystemFolder() + "ImageUploadTemp";
    EXPECT_EQ(page->form().PreRegistrationCheck(staging), c.result);
    std::vector<std::string> boxes = page->Boxes();
    EXPECT_EQ(boxes.size(), c.boxes.size());
    for (std::size_t i = 0; i < boxes.size() && i < c.boxes.size(); ++i) {
      EXPECT_EQ(Show(boxes[i]), Show(c.boxes[i]));
    }
  }
  auto page = Open({});
  EXPECT_EQ(page->form().PreRegistrationCheck(page->SystemFolder() + "Missing"), -1);
  EXPECT_EQ(page->Boxes(), std::vector<std::string>{Message(1001, {page->SystemFolder() + "Missing"})});
}

TEST_F(FormCheck, AttachmentsAndStagedPhotos) {
  TempFolder docs;
  WriteBytes(docs / "empty.pdf", "");
  WriteBytes(docs / "gone.pdf", "x");
  WriteBytes(docs / "fine.pdf", "x");
  {
    // A registered attachment is the server's: it is not looked for here.
    auto page = Open({{"DBEstimateFileName1", "server.vek"}});
    EXPECT_EQ(page->form().PreRegistrationCheck(page->SystemFolder() + "ImageUploadTemp"), 1);
  }
  {
    auto page = Open({});
    page->Type(kAttachEdit, docs / "fine.pdf");
    page->Click(kAttachAdd);
    page->Type(kAttachEdit, docs / "empty.pdf");
    page->Click(kAttachAdd);
    page->Boxes();
    EXPECT_EQ(page->form().PreRegistrationCheck(page->SystemFolder() + "ImageUploadTemp"), 0);
    EXPECT_EQ(page->Boxes(), std::vector<std::string>{Message(2017, {"2"})});
  }
  {
    auto page = Open({});
    page->Type(kAttachEdit, docs / "gone.pdf");
    page->Click(kAttachAdd);
    page->Boxes();
    std::remove((docs / "gone.pdf").c_str());
    EXPECT_EQ(page->form().PreRegistrationCheck(page->SystemFolder() + "ImageUploadTemp"), 0);
    EXPECT_EQ(page->Boxes(), std::vector<std::string>{Message(2016, {"1"})});
  }
  {
    auto page = Open({});
    const std::string staged = page->SystemFolder() + "ImageUploadTemp/p.jpg";
    WriteBytes(staged, "no longer a photograph");
    EXPECT_EQ(page->form().PreRegistrationCheck(page->SystemFolder() + "ImageUploadTemp"), -1);
    EXPECT_EQ(page->Boxes(), std::vector<std::string>{Message(1004, {staged})});
  }
}

TEST_F(FormCheck, WhatIsHandedOver) {
  testing_support::ImageServer server;
  ASSERT_TRUE(server.ok());
  {
    TempFolder t;
    WritePhoto(t / "r.jpg", 30, 20);
    ASSERT_TRUE(server.AddFile("/img/SRV1.jpg", ReadRaw(t / "r.jpg")));
  }
  WritePhoto(photos / "q.jpg", 100, 50, 2023, 2, 3, 4, 5, 6);
  TempFolder docs;
  WriteBytes(docs / "doc.pdf", "document");
  SetLastWrite(docs / "doc.pdf", 2022, 11, 12, 13);
  auto page = Open({{"ImageServerURL", server.Url("/img/")}, {"DBImageFileNM1", "SRV1.jpg"},
                    {"DBImageFilePrtNM1", "reg.jpg"}, {"DBImageFileTime1", "20240101000000"},
                    {"DBImageEntryTime1", "20240102030405"}, {"DBImageFileSize1", "1500"}});
  CFormDialog& form = page->form();
  ASSERT_EQ(form.FolderPage().At(1)->fileName, "p.jpg") << "q.jpg is older, and added first";
  ASSERT_EQ(form.AddPhotoToRegistration(1, CFormDialog::kFromFolderPage), 1);
  page->Type(kAttachEdit, docs / "doc.pdf");
  page->Click(kAttachAdd);
  page->Boxes();
  form.SetItemText(kComment, "コメント");
  ASSERT_EQ(form.PreRegistrationCheck(page->SystemFolder() + "ImageUploadTemp"), 1);
  const quillon::UploadSet& set = form.LastUploadSet();
  const std::string staging = page->SystemFolder() + "ImageUploadTemp/";
  ASSERT_EQ(set.photos.size(), 3u);
  struct Row {
    std::string path, server;
    bool registered;
    int width, height;
    std::string fileTime, entryTime;
  } rows[] = {{staging + "reg.jpg", "SRV1.jpg", true, 0, 0, "20240101000000", "20240102030405"},
              {staging + "q.jpg", "q.jpg", false, 100, 50, "20230203040506", ""},
              {staging + "p.jpg", "p.jpg", false, 320, 240, "20240501093000", ""}};
  for (std::size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(set.photos[i].path, rows[i].path);
    EXPECT_EQ(set.photos[i].serverName, rows[i].server);
    EXPECT_EQ(set.photos[i].registered, rows[i].registered);
    EXPECT_EQ(set.photos[i].width, rows[i].width);
    EXPECT_EQ(set.photos[i].height, rows[i].height);
    EXPECT_EQ(set.photos[i].fileTime, rows[i].fileTime);
    EXPECT_EQ(set.photos[i].entryTime, rows[i].entryTime);
  }
  EXPECT_EQ(set.estimateFiles, std::vector<std::string>{docs / "doc.pdf"});
  EXPECT_EQ(set.addedFileTimes[0], "20221112130000");
  EXPECT_EQ(set.addedFileTimes[1], "");
  EXPECT_TRUE(set.added);
  EXPECT_FALSE(set.deleted);
  EXPECT_EQ(set.comment, "コメント");
  EXPECT_EQ(set.imageFolder, photos.path() + "/");
  EXPECT_EQ(page->ctrl().GetImageFolder(), photos.path() + "/");
  EXPECT_EQ(page->ctrl().GetAddList(), "1");
  EXPECT_EQ(page->ctrl().GetDeleteList(), "0");
  EXPECT_EQ(page->ctrl().GetDBComment(), "コメント");
}

TEST_F(FormCheck, ConfirmStartsTheRegistrationOrNot) {
  auto page = Open({});
  page->services().QueueAnswer(ui::BoxAnswer::Cancel);
  page->Click(kRegister);
  EXPECT_EQ(page->Boxes(), std::vector<std::string>{"サーバへの登録を開始します。よろしいですか？"});
  EXPECT_EQ(page->ctrl().GetMode(), 0);
  page->page->events.clear();
  page->services().QueueAnswer(ui::BoxAnswer::Ok);
  page->Click(kRegister);
  EXPECT_EQ(page->ctrl().GetMode(), 2);
  EXPECT_EQ(page->page->Statuses(), std::vector<unsigned>{3});
  EXPECT_FALSE(page->form().IsVisible());
}

TEST(FormBack, TheBackButtonTellsThePage) {
  FormPage page(Params{{"BtnName", "見積一覧へ戻る"}});
  EXPECT_EQ(page.form().ItemText(kBack), "見積一覧へ戻る");
  page.page->events.clear();
  page.Click(kBack);
  EXPECT_EQ(page.page->Statuses(), std::vector<unsigned>{11});
  EXPECT_EQ(page.page->events.at(0).args.at(1).AsText(), "");
}

}  // namespace
