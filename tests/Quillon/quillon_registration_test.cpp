// The photo control's library registered into a registry file of the test's own: its class, property page,
// type library and categories, creation by ProgID from what it registered, removal, and failed writes.
#include <gtest/gtest.h>

#include <string>

#include "QuillonLib.h"
#include "fakes.h"
#include "platform/com/host.h"
#include "platform/fault.h"
#include "platform/module.h"
#include "platform/path.h"
#include "platform/registry.h"
#include "test_support.h"

namespace {

namespace com = platform::com;

const std::string kClass = "HKEY_CLASSES_ROOT\\CLSID\\{9850172F-5180-4D4F-BFB6-3CB39E817481}";
const std::string kPage = "HKEY_CLASSES_ROOT\\CLSID\\{3736C22C-D4BC-4019-A495-B03BDF146A67}";
const std::string kLib = "HKEY_CLASSES_ROOT\\TypeLib\\{93A18EF3-747F-4A49-B713-6BB1C1C1D4A4}\\1.0";
const std::string kCategories = "HKEY_CLASSES_ROOT\\Component Categories\\";

std::string Value(const std::string& key, const std::string& name = "") {
  std::string data;
  return platform::RegistryReadValue(key, name, data) ? data : "<missing>";
}

class QuillonRegistration : public ::testing::Test {
 protected:
  void SetUp() override {
    module = platform::LoadModule("Quillon.dll");
    ASSERT_NE(module, nullptr) << platform::ModuleError();
    registerServer = platform::GetFunctionAs<com::HRESULT (*)()>(module, "DllRegisterServer");
    unregisterServer = platform::GetFunctionAs<com::HRESULT (*)()>(module, "DllUnregisterServer");
    ASSERT_TRUE(registerServer && unregisterServer);
  }
  void TearDown() override {
    platform::ClearFaults();
    com::FreeUnusedLibraries();
    platform::FreeModule(module);
  }

  testing_support::TempFolder dir;
  testing_support::EnvVarScope registry{"VEK_REGISTRY", (dir / "registry.ini").c_str()};
  platform::ModuleHandle module = nullptr;
  com::HRESULT (*registerServer)() = nullptr;
  com::HRESULT (*unregisterServer)() = nullptr;
};

TEST_F(QuillonRegistration, WritesTheControlItsPageLibraryAndCategories) {
  ASSERT_EQ(registerServer(), com::S_OK);
  const std::string library = Value(kClass + "\\InprocServer32");
  EXPECT_EQ(library.substr(library.rfind('/') + 1), "libQuillon.so");
  EXPECT_TRUE(platform::IsAbsolute(library));
  EXPECT_EQ(Value(kClass), "Quillon");
  EXPECT_EQ(Value(kClass + "\\ProgID"), "Quillon.QuillonCtrl.1");
  EXPECT_EQ(Value(kClass + "\\InprocServer32", "ThreadingModel"), "Apartment");
  EXPECT_EQ(Value(kClass + "\\MiscStatus\\1"), "131473");
  EXPECT_EQ(Value(kClass + "\\ToolboxBitmap32"), library + ", 1");
  EXPECT_EQ(Value(kClass + "\\TypeLib"), "{93A18EF3-747F-4A49-B713-6BB1C1C1D4A4}");
  EXPECT_TRUE(platform::RegistryKeyExists(kClass + "\\Control"));
  EXPECT_TRUE(platform::RegistryKeyExists(kClass + "\\Implemented Categories\\{7DD95801-9882-11CF-9FA9-00AA006C42C4}"));
  EXPECT_TRUE(platform::RegistryKeyExists(kClass + "\\Implemented Categories\\{7DD95802-9882-11CF-9FA9-00AA006C42C4}"));
  EXPECT_EQ(Value("HKEY_CLASSES_ROOT\\Quillon.QuillonCtrl.1\\CLSID"), "{9850172F-5180-4D4F-BFB6-3CB39E817481}");
  EXPECT_EQ(Value(kPage), "Quillon Property Page");
  EXPECT_EQ(Value(kPage + "\\InprocServer32", "ThreadingModel"), "<missing>");
  EXPECT_EQ(Value("HKEY_CLASSES_ROOT\\Quillon.QuillonPropPage.1\\CLSID"), "{3736C22C-D4BC-4019-A495-B03BDF146A67}");
  EXPECT_EQ(Value(kLib), "QuillonLib");
  EXPECT_EQ(Value(kCategories + "{7DD95802-9882-11CF-9FA9-00AA006C42C4}", "409"),
            "Controls safely initializable from persistent data!");
  EXPECT_EQ(Value(kCategories + "{7DD95801-9882-11CF-9FA9-00AA006C42C4}", "409"), "Controls safely scriptable!");

  // What it registered is enough to make the control by its ProgID.
  com::ComPtr<com::IDispatch> control;
  ASSERT_EQ(com::CreateInstance("Quillon.QuillonCtrl.1", control), com::S_OK);
  com::Variant status;
  ASSERT_EQ(com::InvokeByName(control.Get(), "GetStatus", com::DISPATCH_METHOD, {}, &status), com::S_OK);
  EXPECT_EQ(status.AsUI4(), 0u);
  control.Reset();

  ASSERT_EQ(unregisterServer(), com::S_OK);
  EXPECT_FALSE(platform::RegistryKeyExists(kClass));
  EXPECT_FALSE(platform::RegistryKeyExists(kPage));
  EXPECT_FALSE(platform::RegistryKeyExists("HKEY_CLASSES_ROOT\\Quillon.QuillonCtrl.1"));
  EXPECT_FALSE(platform::RegistryKeyExists(kLib));
  EXPECT_TRUE(platform::RegistryKeyExists(kCategories + "{7DD95801-9882-11CF-9FA9-00AA006C42C4}"));
}

TEST_F(QuillonRegistration, AFailedWriteGivesTheStepsCode) {
  // The first replacement of the file is the type library's, the second the control class's.
  struct Case {
    int rename;
    com::HRESULT expected;
  } cases[] = {{1, com::SELFREG_E_TYPELIB}, {2, com::SELFREG_E_CLASS}, {5, com::SELFREG_E_CLASS}};
  for (const Case& c : cases) {
    platform::ClearFaults();
    platform::FailNthCall(platform::FileOp::Rename, c.rename);
    EXPECT_EQ(registerServer(), c.expected) << c.rename;
    platform::ClearFaults();
  }
  ASSERT_EQ(registerServer(), com::S_OK);
  platform::FailNthCall(platform::FileOp::Rename, 1);
  EXPECT_EQ(unregisterServer(), com::SELFREG_E_TYPELIB);
  platform::ClearFaults();
  platform::FailNthCall(platform::FileOp::Rename, 2);
  EXPECT_EQ(unregisterServer(), com::SELFREG_E_CLASS);
}

}  // namespace
