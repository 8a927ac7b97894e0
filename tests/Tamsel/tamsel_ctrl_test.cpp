// The selection control: its start modes, PARAM values, registration string, key routing and dispatch.
#include "CTamselCtrl.h"

#include <gtest/gtest.h>

#include "platform/ui/driver.h"
#include "tamsel_host.h"

namespace {

using namespace tamsel_test;
using tamsel::CTamselCtrl;
using tamsel::KeyRoute;

class TamselCtrlTest : public TamselTest {
 protected:
  FakeHeaderLibrary fake;
};

TEST_F(TamselCtrlTest, FuncIdChoosesTheStartMode) {
  struct Case {
    const char* funcId;
    int mode;
    unsigned status;
    bool select, upload;
  } cases[] = {
      {"3", 3, 1, true, false}, {"4", 4, 3, false, true}, {"5", 3, 1, true, false},
      {"", 3, 1, true, false},  {"04", 3, 1, true, false}, {"0", 3, 1, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.funcId);
    Params params = {{"FuncID", c.funcId}};
    if (std::string(c.funcId).empty()) params.clear();
    TamselPage page(params);
    EXPECT_EQ(page.ctrl->GetMode(), c.mode);
    EXPECT_EQ(page.Statuses(), std::vector<unsigned>{c.status});
    EXPECT_EQ(page.ctrl->GetStatus(), c.status);
    EXPECT_EQ(page.Select().IsVisible(), c.select);
    EXPECT_EQ(page.Upload().IsVisible(), c.upload);
    // Both children cover the control.
    EXPECT_EQ(page.Select().WindowRect(), ui::RectAt(0, 0, 8000, 3500));
    EXPECT_EQ(page.Upload().WindowRect(), ui::RectAt(0, 0, 8000, 3500));
  }
}

TEST_F(TamselCtrlTest, ShowModeTakesOnlyItsTwoModes) {
  TamselPage page(Params{});
  page.events.clear();
  page.ctrl->ShowMode(4);
  page.ctrl->ShowMode(0);
  page.ctrl->ShowMode(5);
  page.ctrl->ShowMode(3);
  EXPECT_EQ(page.Statuses(), (std::vector<unsigned>{3, 1}));
  EXPECT_EQ(page.ctrl->GetMode(), 3);
  EXPECT_TRUE(page.Select().IsVisible());
  EXPECT_FALSE(page.Upload().IsVisible());
}

TEST_F(TamselCtrlTest, MaxViewFileNum) {
  struct Case {
    const char* name;
    const char* value;  // nullptr: absent
    int number;
  } cases[] = {{"absent", nullptr, 100}, {"empty", "", 100}, {"0", "0", 0},         {"250", "250", 250},
               {"-5", "-5", -5},         {"12ab", "12ab", 12}, {"letters", "ab", 0}, {"huge", "99999999999", 2147483647}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Params params;
    if (c.value) params["MaxViewFileNum"] = c.value;
    TamselPage page(params, false);
    EXPECT_EQ(page.ctrl->GetMaxViewFileNum(), c.number);
  }
}

TEST_F(TamselCtrlTest, Vek2FolderBecomesTheEstimatePathCutTo256) {
  const std::string folder300 = "/" + std::string(299, 'f');
  // A double-byte character across byte 256 is not split.
  const std::string japanese = "/" + std::string(254, 'g') + "表示";
  struct Case {
    const char* name;
    std::string folder, path;
  } cases[] = {
      {"short", "/data/見積", "/data/見積"},
      {"256", folder300.substr(0, 256), folder300.substr(0, 256)},
      {"300", folder300, folder300.substr(0, 256)},
      {"a character across the cut", japanese, japanese.substr(0, 255)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TamselPage page(Params{{"Vek2Folder", c.folder}}, false);
    EXPECT_EQ(page.ctrl->GetVek2Folder(), c.folder);
    EXPECT_EQ(page.ctrl->GetEstimatePath(), c.path);
    EXPECT_EQ(Fields(page.ctrl->MakeRegist()).at(21), c.path);
  }
}

// A page splits the string at its TABs and may read it by lines: a value's own TAB, CR or LF becomes a space.
TEST_F(TamselCtrlTest, ValuesKeepTheRegistrationStringOnOneLineOf23Fields) {
  struct Case {
    const char* name;
    std::string value;
    std::string field;
  } cases[] = {
      {"a TAB", "山田\t太郎", "山田 太郎"},
      {"CR LF", "一行目\r\n二行目", "一行目  二行目"},
      {"a lone LF and CR", "\na\rb\n", " a b "},
      {"only TABs", "\t\t", "  "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TamselPage page(Params{{"VisitorName", c.value}, {"XMLVersion", c.value}, {"Vek2Folder", "/data"}}, false);
    page.ctrl->SetSelectFlag("0");
    const std::string regist = page.ctrl->MakeRegist();
    EXPECT_EQ(regist.find_first_of("\r\n"), std::string::npos);
    std::vector<std::string> fields = Fields(regist);
    ASSERT_EQ(fields.size(), 23u);
    EXPECT_EQ(fields[0], c.field);
    EXPECT_EQ(fields[20], c.field);
    EXPECT_EQ(fields[21], "/data");
    EXPECT_EQ(fields[22], "0");
  }
}

TEST_F(TamselCtrlTest, RegistrationStringHas22TabsAndTheNamesOrder) {
  {
    TamselPage page(Params{}, false);
    EXPECT_EQ(page.ctrl->MakeRegist(), std::string(22, '\t'));
  }
  Params params;
  const std::vector<std::string>& names = CTamselCtrl::RegistNames();
  ASSERT_EQ(names.size(), 21u);
  for (std::size_t i = 0; i < names.size(); ++i) params[names[i]] = "v" + std::to_string(i + 1);
  params["Vek2Folder"] = "/data";
  TamselPage page(params, false);
  page.ctrl->SetSelectFlag("1");
  std::vector<std::string> fields = Fields(page.ctrl->MakeRegist());
  ASSERT_EQ(fields.size(), 23u);
  for (std::size_t i = 0; i < 21; ++i) EXPECT_EQ(fields[i], "v" + std::to_string(i + 1)) << names[i];
  EXPECT_EQ(fields[21], "/data");
  EXPECT_EQ(fields[22], "1");
  EXPECT_EQ(names.front(), "VisitorName");
  EXPECT_EQ(names[2], "ReceptNo");
  EXPECT_EQ(names.back(), "XMLVersion");

  // BuildRegist hands the same string to the page, Japanese text intact in its UTF-16 form.
  page.ctrl->SetParamValue("VisitorName", "山田　太郎");
  page.ctrl->BuildRegist();
  ASSERT_EQ(page.events.size(), 1u);
  EXPECT_EQ(page.events[0].id, 3);
  EXPECT_EQ(page.events[0].args.at(0).AsBstr(), u"\t");
  EXPECT_EQ(page.events[0].args.at(1).AsBstr().substr(0, 6), u"山田　太郎\t");
}

TEST_F(TamselCtrlTest, TheFirstExchangeFixesTheValues) {
  TamselPage page(Params{{"VisitorName", "first"}, {"Vek2Folder", "/one"}, {"FuncID", "4"}}, false);
  page.Load(Params{{"VisitorName", "second"}, {"Owner", "late"}, {"Vek2Folder", "/two"}});
  EXPECT_EQ(page.ctrl->GetParamValue("VisitorName"), "first");
  EXPECT_EQ(page.ctrl->GetParamValue("Owner"), "");
  // The other PARAM values are read again.
  EXPECT_EQ(page.ctrl->GetVek2Folder(), "/two");
  EXPECT_EQ(page.ctrl->GetStartMode(), 3);
}

TEST_F(TamselCtrlTest, ParamValuesByExactName) {
  TamselPage page(Params{{"Owner", "owner"}, {"User", "user"}}, false);
  CTamselCtrl& c = *page.ctrl;
  EXPECT_EQ(c.GetParamValue("Owner"), "owner");
  EXPECT_EQ(c.GetParamValue("owner"), "");  // exact bytes
  EXPECT_EQ(c.GetParamValue("Vek2Folder"), "");  // not one of the 21
  c.SetParamValue("User", "changed");
  c.SetParamValue("Nobody", "x");
  c.SetParamValue("user", "y");
  EXPECT_EQ(c.GetParamValue("User"), "changed");
  EXPECT_EQ(Fields(c.MakeRegist()).size(), 23u);
  // Before any exchange there are no values to find.
  void* out = nullptr;
  ASSERT_EQ(com::CreateObject<CTamselCtrl>(TestModule(), com::IDispatch::kIid, &out), com::S_OK);
  com::ComPtr<com::IDispatch> bare;
  bare.Attach(static_cast<com::IDispatch*>(out));
  auto* unloaded = static_cast<CTamselCtrl*>(bare.Get());
  unloaded->SetParamValue("Owner", "x");
  EXPECT_EQ(unloaded->GetParamValue("Owner"), "");
  EXPECT_EQ(unloaded->MakeRegist(), std::string(22, '\t'));
}

TEST_F(TamselCtrlTest, KeyRoutingByMode) {
  namespace vk = platform::ui::vk;
  struct Case {
    int mode;
    int key;
    bool ctrl;
    KeyRoute route;
  } cases[] = {
      {3, vk::kLeft, false, KeyRoute::Select},  {3, vk::kEnd, false, KeyRoute::Select},
      {3, vk::kDown, false, KeyRoute::Select},  {4, vk::kUp, false, KeyRoute::Upload},
      {4, vk::kHome, false, KeyRoute::Upload},  {0, vk::kRight, false, KeyRoute::Swallow},
      {5, vk::kHome, true, KeyRoute::Swallow},  {3, 'V', true, KeyRoute::Swallow},
      {4, 'V', true, KeyRoute::Swallow},        {0, 'V', true, KeyRoute::Swallow},
      {3, 'V', false, KeyRoute::Base},          {3, 'C', true, KeyRoute::Base},
      {4, vk::kPrior, false, KeyRoute::Base},   {3, vk::kReturn, false, KeyRoute::Base},
  };
  for (const Case& c : cases) {
    for (bool down : {true, false}) {
      EXPECT_EQ(tamsel::RouteKey(c.mode, {down, c.key, c.ctrl}), c.route) << c.mode << " " << c.key;
    }
  }
}

// Ctrl+V is consumed by the control in both modes, key down and key up, before any child sees it.
TEST_F(TamselCtrlTest, CtrlVNeverReachesAChild) {
  for (const char* funcId : {"3", "4"}) {
    SCOPED_TRACE(funcId);
    TamselPage page(Params{{"FuncID", funcId}});
    for (bool down : {true, false}) {
      EXPECT_TRUE(page.ctrl->PreTranslateMessage({down, 'V', true}));
      EXPECT_FALSE(page.ctrl->PreTranslateMessage({down, 'V', false}));
    }
    std::string error;
    page.Select().FocusItem(tamsel::CVekSelectDialog::kIdFolder);
    EXPECT_TRUE(ui::driver::PressKey(*page.ctrl, 'V', true, &error)) << error;
    EXPECT_EQ(page.Select().ItemText(tamsel::CVekSelectDialog::kIdFolder), "");
  }
}

TEST_F(TamselCtrlTest, DispatchByNameAndDispid) {
  TamselPage page(Params{}, false);
  com::IDispatch* d = page.dispatch.Get();
  com::DISPID id = 0;
  ASSERT_EQ(d->GetIDsOfNames("ReceptDate", &id), com::S_OK);
  EXPECT_EQ(id, 1);
  com::Variant result;
  ASSERT_EQ(d->Invoke(1, com::DISPATCH_METHOD, {}, &result), com::S_OK);
  EXPECT_EQ(result.Type(), com::VT_UI4);
  EXPECT_EQ(result.AsUI4(), 0u);
  ASSERT_EQ(d->Invoke(31, com::DISPATCH_PROPERTYGET, {}, &result), com::S_OK);
  EXPECT_EQ(result.AsText(), "");
  page.CreateWindow();
  ASSERT_EQ(com::InvokeByName(d, "GetStatus", com::DISPATCH_METHOD, {}, &result), com::S_OK);
  EXPECT_EQ(result.AsUI4(), 1u);
  // The event interface of the library names both events.
  const com::TypeLib& lib = tamsel::TamselTypeLib();
  ASSERT_EQ(lib.interfaces.size(), 2u);
  EXPECT_EQ(lib.interfaces[1].name, "_DTamselEvents");
  EXPECT_EQ(lib.interfaces[1].members.at(2).name, "OnCallRegist");
}

TEST_F(TamselCtrlTest, ReleasedWithoutAWindowFreesItsDialogs) {
  TamselPage page(Params{}, false);
  EXPECT_NE(page.ctrl->SelectDialog(), nullptr);
  EXPECT_NE(page.ctrl->UploadDialog(), nullptr);
}

}  // namespace
