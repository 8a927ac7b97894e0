// A control library for the tests of the COM layer: a control class and a property page class, a type library,
// self-registration, and the four module functions, written as a control library of the system writes them.
#include <map>
#include <stdexcept>
#include <string>

#include "platform/com/connection.h"
#include "platform/com/dispatch_table.h"
#include "platform/com/module.h"
#include "platform/com/property_bag.h"
#include "platform/com/type_info.h"
#include "test_control_ids.h"

namespace test_control {
namespace {

using namespace platform::com;

const TypeLib kTypeLib = {
    kLibid,
    1,
    0,
    "VekComTestLib",
    {
        {kDiidControl,
         "_DTestCtrl",
         {
             {DISPID_ABOUTBOX, "AboutBox", DispatchKind::Method},
             {kDispidGetStatus, "GetStatus", DispatchKind::Method, {}, VT_UI4},
             {kDispidGetStatus, "ReceptDate", DispatchKind::PropertyGet, {}, VT_BSTR},
             {kDispidCaption, "Caption", DispatchKind::PropertyGet, {}, VT_BSTR},
             {kDispidCaption, "Caption", DispatchKind::PropertyPut, {{"value", VT_BSTR}}},
             {kDispidSetStatus, "SetStatus", DispatchKind::Method, {{"Status", VT_UI4}, {"CGIID", VT_BSTR}}},
             {kDispidGetParam, "GetParam", DispatchKind::Method, {{"Name", VT_BSTR}}, VT_BSTR},
         }},
        {kDiidEvents,
         "_DTestCtrlEvents",
         {
             {kDispidOnStatusChanged, "OnStatusChanged", DispatchKind::Method, {{"Status", VT_UI4}, {"CGIID", VT_BSTR}}},
         }},
    },
    {{kClsidControl, "TestCtrl", kDiidControl, kDiidEvents}},
};

class TestCtrl final : public ComObject<TestCtrl, DispatchImpl<TestCtrl>, EventSource<TestCtrl>, IPersistPropertyBag,
                                        IProvideClassInfo> {
 public:
  static constexpr IID kEventIid = kDiidEvents;

  explicit TestCtrl(Module& module) : lock_(module) {}

  static const DispatchTable<TestCtrl>& DispatchMap() {
    static const DispatchTable<TestCtrl> table =
        DispatchTable<TestCtrl>()
            .Add(DISPID_ABOUTBOX, "AboutBox", DispatchKind::Method, &TestCtrl::AboutBox)
            .Add(kDispidGetStatus, "GetStatus", DispatchKind::Method, &TestCtrl::GetStatus)
            .AddProperty(kDispidGetStatus, "ReceptDate", VT_BSTR, &TestCtrl::GetNothing, &TestCtrl::SetNothing)
            .AddProperty(kDispidCaption, "Caption", VT_BSTR, &TestCtrl::GetCaption, &TestCtrl::SetCaption)
            .Add(kDispidSetStatus, "SetStatus", DispatchKind::Method, &TestCtrl::SetStatus, {VT_UI4, VT_BSTR})
            .Add(kDispidGetParam, "GetParam", DispatchKind::Method, &TestCtrl::GetParam, {VT_BSTR})
            .Add(kDispidThrow, "Throw", DispatchKind::Method, &TestCtrl::Throw);
    return table;
  }

  HRESULT InitNew() override {
    params_.clear();
    return S_OK;
  }

  HRESULT Load(IPropertyBag* bag) override {
    if (!bag) return E_POINTER;
    params_.clear();
    for (const char* name : {"FuncID", "ImageFolder"}) {
      std::string value;
      params_[name] = Succeeded(bag->Read(name, &value)) ? value : "";
    }
    return S_OK;
  }

  HRESULT GetClassInfo(const TypeLib** lib, const CoClass** coclass) override {
    if (!lib || !coclass) return E_POINTER;
    *lib = &kTypeLib;
    *coclass = kTypeLib.FindClass(kClsidControl);
    return S_OK;
  }

 protected:
  // Hosts may ask for the control's own dispinterface.
  HRESULT QueryOtherInterface(const IID& iid, void** out) override {
    if (!(iid == kDiidControl)) return E_NOINTERFACE;
    AddRef();
    *out = static_cast<IDispatch*>(this);
    return S_OK;
  }

 private:
  HRESULT AboutBox(DispatchCall&) { return S_OK; }
  HRESULT GetStatus(DispatchCall& call) {
    call.result = Variant::UI4(status_);
    return S_OK;
  }
  HRESULT GetNothing(DispatchCall& call) {
    call.result = Variant::Text("");
    return S_OK;
  }
  HRESULT SetNothing(DispatchCall&) { return S_OK; }
  HRESULT GetCaption(DispatchCall& call) {
    call.result = Variant::Text(caption_);
    return S_OK;
  }
  HRESULT SetCaption(DispatchCall& call) {
    caption_ = call.args[0].AsText();
    return S_OK;
  }
  HRESULT SetStatus(DispatchCall& call) {
    status_ = call.args[0].AsUI4();
    FireEvent(kDispidOnStatusChanged, {Variant::UI4(status_), call.args[1]});
    return S_OK;
  }
  HRESULT GetParam(DispatchCall& call) {
    auto it = params_.find(call.args[0].AsText());
    if (it == params_.end()) return E_INVALIDARG;
    call.result = Variant::Text(it->second);
    return S_OK;
  }
  HRESULT Throw(DispatchCall&) { throw std::runtime_error("a handler that fails"); }

  ModuleLock lock_;
  std::uint32_t status_ = 0;
  std::string caption_;
  std::map<std::string, std::string> params_;
};

// The property page: nothing of its own.
class TestPropPage final : public ComObject<TestPropPage, DispatchImpl<TestPropPage>> {
 public:
  explicit TestPropPage(Module& module) : lock_(module) {}
  static const DispatchTable<TestPropPage>& DispatchMap() {
    static const DispatchTable<TestPropPage> table;
    return table;
  }

 private:
  ModuleLock lock_;
};

Module g_module({
    .classes = {{.clsid = kClsidControl,
                 .progId = kProgIdControl,
                 .typeName = "VekComTest",
                 .miscStatus = 0x20191,
                 .threading = ThreadingModel::Apartment,
                 .toolboxBitmap = 1,
                 .isControl = true,
                 .categories = {kCatidSafeForInitializing, kCatidSafeForScripting},
                 .create = &CreateObject<TestCtrl>},
                {.clsid = kClsidPage,
                 .progId = kProgIdPage,
                 .typeName = "VekComTest Property Page",
                 .threading = ThreadingModel::None,
                 .create = &CreateObject<TestPropPage>}},
    .typeLib = &kTypeLib,
    .categories = {{kCatidSafeForInitializing, "Controls safely initializable from persistent data!"},
                   {kCatidSafeForScripting, "Controls safely scriptable!"}},
});

}  // namespace
}  // namespace test_control

using platform::com::CLSID;
using platform::com::HRESULT;
using platform::com::IID;

#define TEST_CONTROL_EXPORT extern "C" __attribute__((visibility("default")))

TEST_CONTROL_EXPORT HRESULT DllCanUnloadNow() { return test_control::g_module.CanUnloadNow(); }

TEST_CONTROL_EXPORT HRESULT DllGetClassObject(const CLSID& clsid, const IID& iid, void** out) {
  return test_control::g_module.GetClassObject(clsid, iid, out);
}

TEST_CONTROL_EXPORT HRESULT DllRegisterServer() { return test_control::g_module.RegisterServer(); }

TEST_CONTROL_EXPORT HRESULT DllUnregisterServer() { return test_control::g_module.UnregisterServer(); }
