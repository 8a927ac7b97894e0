#include "CQuillonCtrl.h"

#include <gtest/gtest.h>

#include <new>

#include "CFormDialog.h"
#include "CUploadDialog.h"
#include "fakes.h"
#include "platform/files.h"
#include "platform/ui/driver.h"
#include "quillon_host.h"
#include "test_support.h"

namespace {
int g_failNothrowNew = 0;  // the nothrow allocation that many from now fails
}  // namespace

// The control allocates its child dialogs without exceptions; this lets a test make one allocation fail.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  if (g_failNothrowNew > 0 && --g_failNothrowNew == 0) return nullptr;
  try {
    return ::operator new(size);
  } catch (...) {
    return nullptr;
  }
}

namespace {

using namespace quillon_test;
using quillon::CQuillonCtrl;
using quillon::KeyRoute;

TEST(QuillonCtrl, FuncIdChoosesTheStartMode) {
  struct Case {
    const char* funcId;
    int mode;
    unsigned status;
    bool form, upload;
  } cases[] = {
      {"0", 0, 1, true, false}, {"3", 3, 1, false, false}, {"4", 4, 3, false, true}, {"03", 0, 1, true, false},
      {" 3", 0, 1, true, false}, {"2", 0, 1, true, false}, {"", 0, 1, true, false},   {"5", 0, 1, true, false},
  };
  for (const Case& c : cases) {
    QuillonPage page(Params{{"FuncID", c.funcId}});
    EXPECT_EQ(page.ctrl->GetMode(), c.mode) << c.funcId;
    EXPECT_EQ(page.Statuses(), std::vector<unsigned>{c.status}) << c.funcId;
    ASSERT_TRUE(page.ctrl->FormDialog() && page.ctrl->UploadDialog());
    EXPECT_EQ(page.ctrl->FormDialog()->IsVisible(), c.form) << c.funcId;
    EXPECT_EQ(page.ctrl->UploadDialog()->IsVisible(), c.upload) << c.funcId;
    // The status event carries an empty text.
    EXPECT_EQ(page.events.at(0).args.at(1).AsText(), "");
  }
}

TEST(QuillonCtrl, ShowModeTable) {
  QuillonPage page(Params{{"FuncID", "0"}});
  struct Step {
    int mode;
    bool fires;
    unsigned status;
    bool form, upload;
  } steps[] = {
      {2, true, 3, false, true}, {1, false, 3, false, true}, {3, true, 1, false, false},
      {5, true, 3, false, true}, {4, true, 3, false, true},  {0, true, 1, true, false},
  };
  for (const Step& s : steps) {
    page.events.clear();
    page.ctrl->ShowMode(s.mode);
    EXPECT_EQ(page.ctrl->GetMode(), s.mode);
    EXPECT_EQ(page.Statuses().size(), s.fires ? 1u : 0u) << s.mode;
    EXPECT_EQ(page.ctrl->GetStatus(), s.status) << s.mode;
    EXPECT_EQ(page.ctrl->FormDialog()->IsVisible(), s.form) << s.mode;
    EXPECT_EQ(page.ctrl->UploadDialog()->IsVisible(), s.upload) << s.mode;
  }
  page.events.clear();
  page.ctrl->ShowMode(6);
  page.ctrl->ShowMode(-1);
  EXPECT_EQ(page.ctrl->GetMode(), 0);
  EXPECT_TRUE(page.events.empty());
}

TEST(QuillonCtrl, ParamsAreReadInTheirOrder) {
  for (int osMajor : {10, 5}) {
    testing_support::FakeEnvironmentScope env;
    env.env.osMajor = osMajor;
    com::ComPtr<com::IPersistPropertyBag> persist;
    ASSERT_EQ(com::CreateObject<CQuillonCtrl>(TestModule(), com::IPersistPropertyBag::kIid, persist.PutVoid()),
              com::S_OK);
    com::ComPtr<com::PropertyBag> bag = com::MakeObject<com::PropertyBag>();
    bag->Set("DBEstimateFileName1", "e1.vek");
    ASSERT_EQ(persist->Load(bag.Get()), com::S_OK);
    std::vector<std::string> expected = {"FuncID", "ImageFolder", "ServerURL"};
    if (osMajor < 6) expected.push_back("SystemFolder");
    for (const char* name : {"NewItem", "MaxResolution", "MaxViewFileNum", "MaxByte", "AutoResizeWidth",
                             "AutoResizeHeight", "MaxCommentByte", "TorvaneFileName", "TorvaneFileName2",
                             "ImageServerURL"}) {
      expected.push_back(name);
    }
    for (int n = 1; n <= 9; ++n) {
      for (const char* name : {"DBImageFilePrtNM", "DBImageFileNM", "DBImageFileTime", "DBImageEntryTime",
                               "DBImageFileSize"}) {
        expected.push_back(name + std::to_string(n));
      }
    }
    for (int n = 1; n <= 5; ++n) expected.push_back("ImageHistory" + std::to_string(n));
    // The second file's other values are read only when it has a name.
    for (const char* name : {"DBEstimateFileName1", "DBEstimateFilePrtName1", "DBEstimateFileTime1",
                             "DBEstimateEntryTime1", "DBEstimateFileSize1", "DBEstimateFileName2", "DBComment",
                             "BtnName", "GRP_CD", "MAP_ID", "BTN_ID", "BTN_ID2", "SES_ID", "CGI_ID", "UPLOAD_CHECK",
                             "UploadColorChangeTime"}) {
      expected.push_back(name);
    }
    EXPECT_EQ(bag->Reads(), expected) << osMajor;
  }
}

TEST(QuillonCtrl, NumbersAndTheirDefaults) {
  struct Case {
    const char* name;
    std::map<std::string, std::string> params;
    int width, height, comment, maxByte;
  } cases[] = {
      {"all empty", {}, 600, 480, 256, 0},
      {"height given", {{"AutoResizeHeight", "300"}}, 600, 300, 256, 0},
      {"all given", {{"AutoResizeWidth", "800"}, {"AutoResizeHeight", "600"}, {"MaxCommentByte", "100"},
                     {"MaxByte", "20480"}}, 800, 600, 100, 20480},
      {"atoi-like", {{"AutoResizeWidth", "12abc"}, {"MaxByte", "99999999999"}, {"MaxCommentByte", "x"}},
       12, 480, 0, 2147483647},
  };
  for (const Case& c : cases) {
    QuillonPage page(c.params, false);
    EXPECT_EQ(page.ctrl->GetAutoResizeWidth(), c.width) << c.name;
    EXPECT_EQ(page.ctrl->GetAutoResizeHeight(), c.height) << c.name;
    EXPECT_EQ(page.ctrl->GetMaxCommentByte(), c.comment) << c.name;
    EXPECT_EQ(page.ctrl->GetMaxByte(), c.maxByte) << c.name;
    EXPECT_EQ(page.ctrl->GetMaxViewFileNum(), 0) << c.name;
  }
}

TEST(QuillonCtrl, SystemFolderFromTheProfileOrTheHost) {
  testing_support::TempFolder home;
  testing_support::FakeEnvironmentScope env;
  env.env.profileFolder = home.path();
  const std::map<std::string, std::string> params = {{"SystemFolder", "X:\\Data\\"}};
  {
    QuillonPage page(params, false);
    EXPECT_EQ(page.ctrl->GetSystemFolder(), home.path() + "/zentrovia/");
  }
  ASSERT_TRUE(platform::MakeFolders(home.path() + "/AppData/LocalLow"));
  {
    QuillonPage page(params, false);
    EXPECT_EQ(page.ctrl->GetSystemFolder(), home.path() + "/AppData/LocalLow/zentrovia/");
  }
  env.env.profileFolder.clear();
  {
    QuillonPage page(params, false);
    EXPECT_EQ(page.ctrl->GetSystemFolder(), "");
  }
  // Below major version 6 the host's folder counts, its drive naming the root.
  env.env.osMajor = 5;
  {
    QuillonPage page(params, false);
    EXPECT_EQ(page.ctrl->GetSystemFolder(), "/Data/");
  }
}

TEST(QuillonCtrl, RegisteredFilesAndTheirBounds) {
  QuillonPage page(Params{{"DBImageFileNM1", "a.jpg"}, {"DBImageFileSize1", "1000"}, {"DBImageFileNM9", "i.jpg"},
                    {"DBImageFileSize9", "9000"}, {"ImageHistory5", "h5"}, {"DBEstimateFileName1", "e1.vek"},
                    {"DBEstimateFilePrtName1", "p1"}, {"DBEstimateFileTime1", "t1"}, {"DBEstimateFileSize1", "11"},
                    {"DBEstimateFileName2", ""}, {"DBEstimateFilePrtName2", "p2"}, {"DBEstimateFileTime2", "t2"},
                    {"DBEstimateFileSize2", "22"}, {"DBEstimateEntryTime1", "en1"}},
                   false);
  const CQuillonCtrl& c = *page.ctrl;
  EXPECT_EQ(c.GetParamString(0, 0), "a.jpg");
  EXPECT_EQ(c.GetParamString(0, 8), "i.jpg");
  EXPECT_EQ(c.GetParamString(0, 9), "");
  EXPECT_EQ(c.GetParamString(1, 4), "h5");
  EXPECT_EQ(c.GetParamString(1, 5), "");
  EXPECT_EQ(c.GetParamString(9, 0), "");
  EXPECT_EQ(c.GetParamString(-1, 0), "");
  EXPECT_EQ(c.GetParamString(2, -1), "");
  EXPECT_EQ(c.GetParamString(2, 0), "e1.vek");
  EXPECT_EQ(c.GetParamString(6, 0), "p1");
  EXPECT_EQ(c.GetParamString(3, 0), "t1");
  EXPECT_EQ(c.GetParamString(7, 0), "en1");
  // An empty second estimate-file name empties its print name, time and size, whatever the host passed.
  EXPECT_EQ(c.GetParamString(6, 1), "");
  EXPECT_EQ(c.GetParamString(3, 1), "");
  EXPECT_EQ(c.GetFileSize("FILE", 1), 0);
  EXPECT_EQ(c.GetFileSize("FILE", 0), 11);
  EXPECT_EQ(c.GetFileSize("IMAGE", 0), 1000);
  EXPECT_EQ(c.GetFileSize("IMAGE", 8), 9000);
  EXPECT_EQ(c.GetFileSize("IMAGE", 9), 0);
  EXPECT_EQ(c.GetFileSize("FILE", 2), 0);
  EXPECT_EQ(c.GetFileSize("FILE", -1), 0);
  EXPECT_EQ(c.GetFileSize("file", 0), 0);
}

TEST(QuillonCtrl, EstimateFileEntries) {
  QuillonPage page(Params{}, false);
  CQuillonCtrl& c = *page.ctrl;
  c.SetEstimateFileEntry("b.pdf", "追加ファイル", 1);
  EXPECT_EQ(c.GetParamString(2, 1), "b.pdf");
  EXPECT_EQ(c.GetParamString(6, 1), "b.pdf");
  EXPECT_EQ(c.GetParamString(3, 1), "追加ファイル");
  // Slot 0 with the registered marker takes slot 1's entry.
  c.SetEstimateFileEntry("ignored", "登録済画像", 0);
  EXPECT_EQ(c.GetParamString(2, 0), "b.pdf");
  EXPECT_EQ(c.GetParamString(3, 0), "追加ファイル");
  c.SetEstimateFileEntry("a.xls", "20240501093000", 0);
  EXPECT_EQ(c.GetParamString(2, 0), "a.xls");
  c.SetEstimateFileEntry("x", "y", 2);  // no such slot
  EXPECT_EQ(c.GetParamString(2, 1), "b.pdf");
}

TEST(QuillonCtrl, KeyRoutingByMode) {
  namespace vk = platform::ui::vk;
  struct Case {
    int mode;
    int key;
    bool ctrl;
    KeyRoute route;
  } cases[] = {
      {0, vk::kLeft, false, KeyRoute::Form},    {0, vk::kEnd, false, KeyRoute::Form},
      {0, vk::kDown, false, KeyRoute::Form},    {2, vk::kUp, false, KeyRoute::Upload},
      {2, vk::kHome, false, KeyRoute::Upload},  {3, vk::kRight, false, KeyRoute::Swallow},
      {3, vk::kHome, false, KeyRoute::Swallow}, {1, vk::kEnd, false, KeyRoute::Swallow},
      {5, vk::kDown, false, KeyRoute::Swallow}, {0, 'C', true, KeyRoute::Form},
      {0, 'V', true, KeyRoute::Form},           {2, 'C', true, KeyRoute::Swallow},
      {4, 'V', true, KeyRoute::Swallow},        {0, 'C', false, KeyRoute::Base},
      {2, 'V', false, KeyRoute::Base},          {0, 'A', true, KeyRoute::Base},
      {3, vk::kPrior, false, KeyRoute::Base},   {0, vk::kReturn, false, KeyRoute::Base},
  };
  for (const Case& c : cases) {
    for (bool down : {true, false}) {
      EXPECT_EQ(quillon::RouteKey(c.mode, {down, c.key, c.ctrl}), c.route) << c.mode << " " << c.key;
    }
  }
}

TEST(QuillonCtrl, KeysReachTheVisibleDialogOrAreSwallowed) {
  QuillonPage page(Params{{"FuncID", "3"}});
  // In mode 3 an arrow key is consumed by the control.
  EXPECT_TRUE(page.ctrl->PreTranslateMessage({true, platform::ui::vk::kLeft, false}));
  EXPECT_TRUE(page.ctrl->PreTranslateMessage({true, 'C', true}));
  EXPECT_FALSE(page.ctrl->PreTranslateMessage({true, 'C', false}));
  std::string error;
  EXPECT_TRUE(platform::ui::driver::PressKey(*page.ctrl, platform::ui::vk::kDown, false, &error)) << error;
}

TEST(QuillonCtrl, DispatchByNameAndDispid) {
  QuillonPage page(Params{}, false);
  com::IDispatch* d = page.dispatch.Get();
  com::DISPID id = 0;
  ASSERT_EQ(d->GetIDsOfNames("GetStatus", &id), com::S_OK);
  EXPECT_EQ(id, 1);
  ASSERT_EQ(d->GetIDsOfNames("receptdate", &id), com::S_OK);
  EXPECT_EQ(id, 1);
  ASSERT_EQ(d->GetIDsOfNames("AboutBox", &id), com::S_OK);
  EXPECT_EQ(id, com::DISPID_ABOUTBOX);
  ASSERT_EQ(d->GetIDsOfNames("SystemMaxEstimateFileNum", &id), com::S_OK);
  EXPECT_EQ(id, 27);
  EXPECT_EQ(d->GetIDsOfNames("NoSuchMember", &id), com::DISP_E_UNKNOWNNAME);

  // Before any mode the status is 0, by DISPID 1 as a method.
  com::Variant result;
  ASSERT_EQ(d->Invoke(1, com::DISPATCH_METHOD, {}, &result), com::S_OK);
  EXPECT_EQ(result.Type(), com::VT_UI4);
  EXPECT_EQ(result.AsUI4(), 0u);
  // ReceptDate's DISPID is GetStatus's, so a property get of it finds no property.
  EXPECT_EQ(d->Invoke(1, com::DISPATCH_PROPERTYGET, {}, &result), com::DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(d->Invoke(17, com::DISPATCH_PROPERTYGET, {}, &result), com::DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(d->Invoke(99, com::DISPATCH_METHOD, {}, &result), com::DISP_E_MEMBERNOTFOUND);

  // The folded properties give an empty text and keep nothing.
  ASSERT_EQ(d->Invoke(20, com::DISPATCH_PROPERTYPUT, {com::Variant::Text("/photos")}, nullptr), com::S_OK);
  EXPECT_TRUE(page.ctrl->IsModified());
  ASSERT_EQ(d->Invoke(20, com::DISPATCH_PROPERTYGET, {}, &result), com::S_OK);
  EXPECT_EQ(result.Type(), com::VT_BSTR);
  EXPECT_EQ(result.AsText(), "");
  EXPECT_EQ(page.ctrl->GetImageFolder(), "");

  page.CreateWindow();
  ASSERT_EQ(com::InvokeByName(d, "GetStatus", com::DISPATCH_METHOD, {}, &result), com::S_OK);
  EXPECT_EQ(result.AsUI4(), 1u);
}

TEST(QuillonCtrl, EventsOfTheDialogsCalls) {
  QuillonPage page(Params{{"CGI_ID", "C77"}});
  page.events.clear();
  page.ctrl->NotifyReturnButton("B1.x");
  page.ctrl->FireOnScrollResizeInfo();
  ASSERT_EQ(page.events.size(), 2u);
  EXPECT_EQ(page.events[0].id, CQuillonCtrl::kDispidOnClickedReturnBtn);
  EXPECT_EQ(page.events[0].args.at(0).AsText(), "C77");
  EXPECT_EQ(page.events[0].args.at(1).AsText(), "B1.x");
  EXPECT_EQ(page.events[1].id, CQuillonCtrl::kDispidOnScrollResizeInfo);
  EXPECT_TRUE(page.events[1].args.empty());
}

TEST(QuillonCtrl, FatalErrorShowsTheCloseButton) {
  QuillonPage page(Params{});
  page.ctrl->ShowFatalError("サーバエラー");
  EXPECT_EQ(page.ctrl->GetMode(), 5);
  EXPECT_EQ(page.ctrl->GetStatus(), 3u);
  quillon::CUploadDialog& upload = *page.ctrl->UploadDialog();
  EXPECT_EQ(upload.ItemText(quillon::CUploadDialog::kIdMessage), "サーバエラー");
  EXPECT_EQ(upload.ItemText(quillon::CUploadDialog::kIdButton), "閉じる");
  EXPECT_TRUE(upload.IsItemVisible(quillon::CUploadDialog::kIdButton));
  EXPECT_FALSE(upload.IsItemVisible(quillon::CUploadDialog::kIdProgress));
  page.events.clear();
  std::string error;
  ASSERT_TRUE(platform::ui::driver::Click(upload, quillon::CUploadDialog::kIdButton, &error)) << error;
  EXPECT_EQ(page.Statuses(), std::vector<unsigned>{9});
}

TEST(QuillonCtrl, TheHostMayReleaseTheControlWhenItHearsOfAStatus) {
  QuillonPage page(Params{{"FuncID", "0"}});
  CQuillonCtrl* ctrl = page.ctrl;
  com::ComPtr<com::EventSink> releaser =
      com::MakeObject<com::EventSink>(quillon::kIidDQuillonEvents, [&page](com::DISPID id, const std::vector<com::Variant>&) {
        if (id != 2 || !page.dispatch) return;
        com::ComPtr<com::IControlWindow> window;
        if (com::Succeeded(page.dispatch.As(window))) window->DestroyControlWindow();
        page.dispatch.Reset();
      });
  std::uint32_t cookie = 0;
  ASSERT_EQ(com::Advise(page.dispatch.Get(), quillon::kIidDQuillonEvents, releaser.Get(), &cookie), com::S_OK);
  ctrl->ShowMode(2);  // the control is gone when this returns; the sanitizer build tells a use after its end
  EXPECT_FALSE(page.dispatch);
}

TEST(QuillonCtrl, ImageFolderOnlyWhenItExists) {
  testing_support::TempFolder folder;
  QuillonPage page(Params{{"ImageFolder", "/given"}}, false);
  EXPECT_EQ(page.ctrl->GetFirstImageFolder(), "/given");
  page.ctrl->SetImageFolder(folder.path());
  EXPECT_EQ(page.ctrl->GetImageFolder(), folder.path());
  page.ctrl->SetImageFolder(folder.path() + "/missing");
  EXPECT_EQ(page.ctrl->GetImageFolder(), "");
  EXPECT_EQ(page.ctrl->GetFirstImageFolder(), "/given");
}

TEST(QuillonCtrl, ChildDialogsStandWithTheirControls) {
  QuillonPage page(Params{{"FuncID", "0"}});
  quillon::CFormDialog& form = *page.ctrl->FormDialog();
  struct Item {
    int id;
    const char* caption;
  } items[] = {{264, "フォルダ参照"}, {207, "参照"}, {229, "表示"}, {205, "確定"}, {208, "ファイル選択へ戻る"},
               {289, "前へ"}, {290, "前へ"}, {291, "次へ"}, {295, "次へ"}, {409, "←"}, {427, "→"},
               {476, "画像を全て選択"}, {487, "選択を解除"}, {231, "画像一括サイズ変更"}, {344, "添付ファイル追加"},
               {346, "ダウンロード"}, {230, "選択した添付ファイルを削除"}, {260, ""}, {440, "拡大"}};
  for (const Item& item : items) {
    EXPECT_TRUE(form.HasItem(item.id)) << item.id;
    EXPECT_EQ(form.ItemText(item.id), item.caption) << item.id;
  }
  EXPECT_EQ(form.ComboCount(431), 4);
  EXPECT_TRUE(form.HasItem(479));
  quillon::CUploadDialog& upload = *page.ctrl->UploadDialog();
  for (int id : {1001, 1003, 1004, 1005}) EXPECT_TRUE(upload.HasItem(id)) << id;
  EXPECT_FALSE(upload.IsItemVisible(1003));
  EXPECT_EQ(upload.ItemText(1001), "画像登録・削除画面へ");
  // Both dialogs cover the control's whole window.
  EXPECT_EQ(form.WindowRect(), ui::RectAt(0, 0, 8000, 18500));
  EXPECT_TRUE(form.SaveScreenshot(testing_support::ShotsFolder("quillon") + "/quillon_mode0.png"));
}

TEST(QuillonCtrl, GoesOnWithoutADialogThatCouldNotBeMade) {
  for (int which : {1, 2}) {
    g_failNothrowNew = which;
    QuillonPage page(Params{{"FuncID", "0"}});
    g_failNothrowNew = 0;
    ASSERT_EQ(page.services.Requests().size(), 1u) << which;
    EXPECT_EQ(page.services.Requests()[0].box.icon, ui::BoxIcon::Stop);
    EXPECT_NE(page.services.Requests()[0].box.text.find("(SE0002)"), std::string::npos);
    EXPECT_EQ(page.ctrl->FormDialog() == nullptr, which == 1);
    EXPECT_EQ(page.ctrl->UploadDialog() == nullptr, which == 2);
    EXPECT_EQ(page.Statuses(), std::vector<unsigned>{1});
    for (int mode : {2, 5, 0}) page.ctrl->ShowMode(mode);
    page.ctrl->ShowFatalError("x");
    EXPECT_TRUE(page.ctrl->PreTranslateMessage({true, platform::ui::vk::kLeft, false}));
    // A key meant for the missing dialog goes nowhere.
    page.ctrl->ShowMode(which == 1 ? 0 : 2);
    EXPECT_TRUE(page.ctrl->PreTranslateMessage({true, platform::ui::vk::kLeft, false}));
  }
}

TEST(QuillonCtrl, ReleasedWithoutAWindowFreesItsDialogs) {
  QuillonPage page(Params{}, false);
  EXPECT_NE(page.ctrl->FormDialog(), nullptr);
  // The page's end releases the control that never had a window; the sanitizer build tells a leak.
}

}  // namespace
