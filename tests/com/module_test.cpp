// A control library through its exports and through the host side: factories, objects, the unload count,
// dispatch, parameters and events across the library's boundary.
#include "platform/com/module.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "fakes.h"
#include "platform/com/connection.h"
#include "platform/com/host.h"
#include "platform/com/property_bag.h"
#include "platform/com/registration.h"
#include "platform/com/type_info.h"
#include "test_control_library.h"
#include "test_support.h"

namespace {

using namespace platform::com;
using namespace test_control;

TEST(ControlModule, HandsOutFactoriesOfItsClassesOnly) {
  Library lib;
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(lib.getClassObject(kClsidControl, IClassFactory::kIid, factory.PutVoid()), S_OK);
  ComPtr<IUnknown> unknownFactory;
  EXPECT_EQ(lib.getClassObject(kClsidPage, IUnknown::kIid, unknownFactory.PutVoid()), S_OK);
  void* out = &lib;
  EXPECT_EQ(lib.getClassObject(kDiidControl, IClassFactory::kIid, &out), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(lib.getClassObject(kClsidControl, IDispatch::kIid, &out), E_NOINTERFACE);
  EXPECT_EQ(lib.getClassObject(kClsidControl, IClassFactory::kIid, nullptr), E_POINTER);

  ComPtr<IDispatch> control;
  ASSERT_EQ(factory->CreateInstance(nullptr, IDispatch::kIid, control.PutVoid()), S_OK);
  ComPtr<IDispatch> aggregated;
  EXPECT_EQ(factory->CreateInstance(control.Get(), IDispatch::kIid, aggregated.PutVoid()), CLASS_E_NOAGGREGATION);
  ComPtr<IClassFactory> notAnInterfaceOfIt;
  EXPECT_EQ(factory->CreateInstance(nullptr, IClassFactory::kIid, notAnInterfaceOfIt.PutVoid()), E_NOINTERFACE);
  // The control answers its own dispinterface as IDispatch too.
  ComPtr<IUnknown> asDispinterface;
  EXPECT_EQ(control->QueryInterface(kDiidControl, asDispinterface.PutVoid()), S_OK);
}

TEST(ControlModule, CanUnloadOnlyWhenNothingOfItLives) {
  Library lib;
  EXPECT_EQ(lib.canUnloadNow(), S_OK);
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(lib.getClassObject(kClsidControl, IClassFactory::kIid, factory.PutVoid()), S_OK);
  EXPECT_EQ(lib.canUnloadNow(), S_FALSE) << "a factory is held";
  ComPtr<IDispatch> control;
  ASSERT_EQ(factory->CreateInstance(nullptr, IDispatch::kIid, control.PutVoid()), S_OK);
  ASSERT_EQ(factory->LockServer(true), S_OK);
  factory.Reset();
  EXPECT_EQ(lib.canUnloadNow(), S_FALSE) << "an object and a lock";
  control.Reset();
  EXPECT_EQ(lib.canUnloadNow(), S_FALSE) << "a lock";
  ASSERT_EQ(lib.getClassObject(kClsidControl, IClassFactory::kIid, factory.PutVoid()), S_OK);
  ASSERT_EQ(factory->LockServer(false), S_OK);
  factory.Reset();
  EXPECT_EQ(lib.canUnloadNow(), S_OK);
}

// What a page host does with a control: create it, load its PARAMs, advise its events, invoke it by name, learn
// its event names from its class information.
TEST(ControlModule, AHostDrivesTheControlAcrossTheLibrary) {
  ComPtr<IDispatch> control;
  ASSERT_EQ(CreateInstanceFromLibrary(LibraryPath(), kClsidControl, control), S_OK);

  Variant status = Variant::I4(-1);
  ASSERT_EQ(InvokeByName(control.Get(), "GetStatus", DISPATCH_METHOD, {}, &status), S_OK);
  EXPECT_EQ(status, Variant::UI4(0));
  ASSERT_EQ(InvokeByName(control.Get(), "receptdate", DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, &status), S_OK);
  EXPECT_EQ(status, Variant::UI4(0)) << "ReceptDate resolves to GetStatus";

  ComPtr<IPersistPropertyBag> persist;
  ASSERT_EQ(control.As(persist), S_OK);
  ComPtr<PropertyBag> bag = MakeObject<PropertyBag>();
  bag->Set("funcid", "3");
  bag->Set("Other", "x");
  ASSERT_EQ(persist->Load(bag.Get()), S_OK);
  EXPECT_EQ(bag->Reads(), (std::vector<std::string>{"FuncID", "ImageFolder"}));
  Variant param;
  ASSERT_EQ(InvokeByName(control.Get(), "GetParam", DISPATCH_METHOD, {Variant::Text("FuncID")}, &param), S_OK);
  EXPECT_EQ(param.AsText(), "3");
  ASSERT_EQ(InvokeByName(control.Get(), "GetParam", DISPATCH_METHOD, {Variant::Text("ImageFolder")}, &param), S_OK);
  EXPECT_EQ(param.AsText(), "") << "a PARAM the page did not give reads as empty";

  ComPtr<IProvideClassInfo> info;
  ASSERT_EQ(control.As(info), S_OK);
  const TypeLib* lib = nullptr;
  const CoClass* coclass = nullptr;
  ASSERT_EQ(info->GetClassInfo(&lib, &coclass), S_OK);
  ASSERT_NE(coclass, nullptr);
  const DispInterface* events = lib->FindInterface(coclass->eventInterface);
  ASSERT_NE(events, nullptr);
  std::vector<std::string> fired;
  ComPtr<EventSink> sink = MakeObject<EventSink>(coclass->eventInterface, [&](DISPID id, const std::vector<Variant>& args) {
    const TypeMember* m = events->FindMember(id);
    fired.push_back((m ? m->name : "?") + " " + std::to_string(args.at(0).AsUI4()) + " " + args.at(1).AsText());
  });
  std::uint32_t cookie = 0;
  ASSERT_EQ(Advise(control.Get(), coclass->eventInterface, sink.Get(), &cookie), S_OK);
  ASSERT_EQ(InvokeByName(control.Get(), "SetStatus", DISPATCH_METHOD, {Variant::I4(4), Variant::Text("CGI番号")},
                         nullptr),
            S_OK);
  EXPECT_EQ(fired, (std::vector<std::string>{"OnStatusChanged 4 CGI番号"}));
  ASSERT_EQ(InvokeByName(control.Get(), "GetStatus", DISPATCH_METHOD, {}, &status), S_OK);
  EXPECT_EQ(status, Variant::UI4(4));

  ASSERT_EQ(InvokeByName(control.Get(), "Caption", DISPATCH_PROPERTYPUT, {Variant::Text("写真")}, nullptr), S_OK);
  Variant caption;
  ASSERT_EQ(control->Invoke(kDispidCaption, DISPATCH_PROPERTYGET, {}, &caption), S_OK);
  EXPECT_EQ(caption.AsBstr(), u"写真");
  EXPECT_EQ(InvokeByName(control.Get(), "Throw", DISPATCH_METHOD, {}, nullptr), DISP_E_EXCEPTION)
      << "no exception leaves the library";
  ASSERT_EQ(Unadvise(control.Get(), coclass->eventInterface, cookie), S_OK);
  info.Reset();
  persist.Reset();
  control.Reset();
  EXPECT_EQ(FreeUnusedLibraries(), 1);
}

TEST(Host, CreatesFromALibraryByPathOrByName) {
  // (A library already loaded would be found by its bare name.)
  FreeUnusedLibraries();
  ComPtr<IDispatch> control;
  EXPECT_EQ(CreateInstanceFromLibrary("VekComTestCtl.dll", kClsidControl, control), CO_E_DLLNOTFOUND)
      << "not beside the program, nor on the module path";
  {
    testing_support::EnvVarScope path("VEK_MODULE_PATH", TEST_CONTROL_DIR);
    ASSERT_EQ(CreateInstanceFromLibrary("VekComTestCtl.dll", kClsidControl, control), S_OK);
  }
  ComPtr<IDispatch> page;
  EXPECT_EQ(CreateInstanceFromLibrary(LibraryPath(), kClsidPage, page), S_OK);
  EXPECT_EQ(CreateInstanceFromLibrary(LibraryPath(), kLibid, page), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(CreateInstanceFromLibrary("vekplatform.dll", kClsidControl, page), CO_E_ERRORINDLL)
      << "a library that is no control library";
  EXPECT_EQ(CreateInstanceFromLibrary("", kClsidControl, page), CO_E_DLLNOTFOUND);

  // The library stays while anything of it lives, and goes once nothing does.
  EXPECT_EQ(FreeUnusedLibraries(), 0);
  control.Reset();
  page.Reset();
  EXPECT_EQ(FreeUnusedLibraries(), 1);
  EXPECT_EQ(FreeUnusedLibraries(), 0);
  ASSERT_EQ(CreateInstanceFromLibrary(LibraryPath(), kClsidControl, control), S_OK) << "and loads again";
  control.Reset();
  EXPECT_EQ(FreeUnusedLibraries(), 1);
}

// The registry as the environment tells it: a fake one serves as well as the file.
TEST(Host, CreatesARegisteredClassAsTheEnvironmentTellsIt) {
  testing_support::FakeEnvironmentScope fake;
  fake.env.SetRegistry(ClassKey(kClsidControl) + "\\InprocServer32", "", LibraryPath());
  fake.env.SetRegistry(ProgIdKey(kProgIdControl) + "\\CLSID", "@", FormatGuid(kClsidControl));
  fake.env.SetRegistry(ClassKey(kClsidPage) + "\\InprocServer32", "", "/nowhere/libVekComTestCtl.so");
  ComPtr<IDispatch> control;
  EXPECT_EQ(CreateInstance(kProgIdControl, control), S_OK);
  CLSID clsid;
  EXPECT_EQ(ClsidFromText(kProgIdControl, &clsid), S_OK);
  EXPECT_EQ(clsid, kClsidControl);
  ComPtr<IDispatch> page;
  EXPECT_EQ(CreateInstance(kClsidPage, page), CO_E_DLLNOTFOUND);
  EXPECT_EQ(CreateInstance(kLibid, page), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(ClsidFromProgId("", &clsid), CO_E_CLASSSTRING);
  control.Reset();
  FreeUnusedLibraries();
}

const TypeLib kOwnLib{kLibid, 1, 0, "Lib", {}, {}};
Module g_programModule({.classes = {}, .typeLib = &kOwnLib});

TEST(ControlModule, GivesItsTypeLibraryWhenAskedForIt) {
  const TypeLib* lib = &kOwnLib;
  Module none({});
  EXPECT_EQ(none.GetTypeLib(kLibid, 1, 0, &lib), TYPE_E_LIBNOTREGISTERED);
  EXPECT_EQ(lib, nullptr);
  EXPECT_EQ(g_programModule.GetTypeLib(kLibid, 1, 0, &lib), S_OK);
  EXPECT_EQ(lib, &kOwnLib);
  EXPECT_EQ(g_programModule.GetTypeLib(kLibid, 2, 0, &lib), TYPE_E_LIBNOTREGISTERED);
  EXPECT_EQ(g_programModule.GetTypeLib(kClsidControl, 1, 0, &lib), TYPE_E_LIBNOTREGISTERED);
  EXPECT_EQ(kOwnLib.VersionText(), "1.0");
}

// The Module's own address tells its file: a static one in the program is in the program's file; one on the
// stack is in none, and then registration refuses to write a path it does not have.
TEST(ControlModule, KnowsTheFileItIsIn) {
  char exe[4096];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  ASSERT_GT(n, 0);
  EXPECT_EQ(g_programModule.Path(), std::string(exe, static_cast<std::size_t>(n)));
  testing_support::TempFolder dir;
  testing_support::EnvVarScope registry("VEK_REGISTRY", (dir / "registry.ini").c_str());
  Module onTheStack({.classes = {}, .typeLib = &kOwnLib});
  EXPECT_EQ(onTheStack.Path(), "");
  EXPECT_EQ(onTheStack.RegisterServer(), SELFREG_E_TYPELIB);
  EXPECT_EQ(testing_support::ReadRaw(dir / "registry.ini"), "");
}

}  // namespace
