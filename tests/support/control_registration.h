// What a control library's registration must write, checked the same way for both controls: its class,
// property page, type library and categories in a registry file of the test's own, creation by ProgID from what
// it registered, removal, and failed writes. Header only: the tests that use it link the COM layer.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "fakes.h"
#include "platform/com/dispatch.h"
#include "platform/com/host.h"
#include "platform/com/variant.h"
#include "platform/fault.h"
#include "platform/module.h"
#include "platform/path.h"
#include "platform/registry.h"
#include "test_support.h"

namespace testing_support {

struct ControlRegistrationIds {
  const char* module;      // "Quillon.dll"
  const char* file;        // "libQuillon.so"
  const char* clsid;       // "{...}"
  const char* pageClsid;
  const char* libid;
  const char* typeName;    // "Quillon"
  const char* progId;      // "Quillon.QuillonCtrl.1"
  const char* pageTypeName;
  const char* pageProgId;
  const char* libName;     // "QuillonLib"
};

class ControlRegistrationTest : public ::testing::Test {
 protected:
  using HRESULT = platform::com::HRESULT;

  void Load(const char* moduleName) {
    module = platform::LoadModule(moduleName);
    ASSERT_NE(module, nullptr) << platform::ModuleError();
    registerServer = platform::GetFunctionAs<HRESULT (*)()>(module, "DllRegisterServer");
    unregisterServer = platform::GetFunctionAs<HRESULT (*)()>(module, "DllUnregisterServer");
    ASSERT_TRUE(registerServer && unregisterServer);
  }
  void TearDown() override {
    platform::ClearFaults();
    platform::com::FreeUnusedLibraries();
    if (module) platform::FreeModule(module);
  }

  static std::string Value(const std::string& key, const std::string& name = "") {
    std::string data;
    return platform::RegistryReadValue(key, name, data) ? data : "<missing>";
  }

  void ExpectRoundTrip(const ControlRegistrationIds& ids) {
    namespace com = platform::com;
    const std::string kClass = std::string("HKEY_CLASSES_ROOT\\CLSID\\") + ids.clsid;
    const std::string kPage = std::string("HKEY_CLASSES_ROOT\\CLSID\\") + ids.pageClsid;
    const std::string kLib = std::string("HKEY_CLASSES_ROOT\\TypeLib\\") + ids.libid + "\\1.0";
    const std::string kCategories = "HKEY_CLASSES_ROOT\\Component Categories\\";
    ASSERT_EQ(registerServer(), com::S_OK);
    const std::string library = Value(kClass + "\\InprocServer32");
    EXPECT_EQ(library.substr(library.rfind('/') + 1), ids.file);
    EXPECT_TRUE(platform::IsAbsolute(library));
    EXPECT_EQ(Value(kClass), ids.typeName);
    EXPECT_EQ(Value(kClass + "\\ProgID"), ids.progId);
    EXPECT_EQ(Value(kClass + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(Value(kClass + "\\MiscStatus\\1"), "131473");
    EXPECT_EQ(Value(kClass + "\\ToolboxBitmap32"), library + ", 1");
    EXPECT_EQ(Value(kClass + "\\TypeLib"), ids.libid);
    EXPECT_TRUE(platform::RegistryKeyExists(kClass + "\\Control"));
    EXPECT_TRUE(
        platform::RegistryKeyExists(kClass + "\\Implemented Categories\\{7DD95801-9882-11CF-9FA9-00AA006C42C4}"));
    EXPECT_TRUE(
        platform::RegistryKeyExists(kClass + "\\Implemented Categories\\{7DD95802-9882-11CF-9FA9-00AA006C42C4}"));
    EXPECT_EQ(Value(std::string("HKEY_CLASSES_ROOT\\") + ids.progId + "\\CLSID"), ids.clsid);
    EXPECT_EQ(Value(kPage), ids.pageTypeName);
    EXPECT_EQ(Value(kPage + "\\InprocServer32", "ThreadingModel"), "<missing>");
    EXPECT_EQ(Value(std::string("HKEY_CLASSES_ROOT\\") + ids.pageProgId + "\\CLSID"), ids.pageClsid);
    EXPECT_EQ(Value(kLib), ids.libName);
    EXPECT_EQ(Value(kCategories + "{7DD95802-9882-11CF-9FA9-00AA006C42C4}", "409"),
              "Controls safely initializable from persistent data!");
    EXPECT_EQ(Value(kCategories + "{7DD95801-9882-11CF-9FA9-00AA006C42C4}", "409"), "Controls safely scriptable!");

    // What it registered is enough to make the control by its ProgID.
    com::ComPtr<com::IDispatch> control;
    ASSERT_EQ(com::CreateInstance(ids.progId, control), com::S_OK);
    com::Variant status;
    ASSERT_EQ(com::InvokeByName(control.Get(), "GetStatus", com::DISPATCH_METHOD, {}, &status), com::S_OK);
    EXPECT_EQ(status.AsUI4(), 0u);
    control.Reset();

    ASSERT_EQ(unregisterServer(), com::S_OK);
    EXPECT_FALSE(platform::RegistryKeyExists(kClass));
    EXPECT_FALSE(platform::RegistryKeyExists(kPage));
    EXPECT_FALSE(platform::RegistryKeyExists(std::string("HKEY_CLASSES_ROOT\\") + ids.progId));
    EXPECT_FALSE(platform::RegistryKeyExists(kLib));
    EXPECT_TRUE(platform::RegistryKeyExists(kCategories + "{7DD95801-9882-11CF-9FA9-00AA006C42C4}"));
  }

  void ExpectFailedWritesGiveTheStepsCode() {
    namespace com = platform::com;
    // The first replacement of the file is the type library's, the second the control class's.
    struct Case {
      int rename;
      HRESULT expected;
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

  TempFolder dir;
  EnvVarScope registry{"VEK_REGISTRY", (dir / "registry.ini").c_str()};
  platform::ModuleHandle module = nullptr;
  HRESULT (*registerServer)() = nullptr;
  HRESULT (*unregisterServer)() = nullptr;
};

}  // namespace testing_support
