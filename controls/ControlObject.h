// The COM side of a control class: reference counting, its dispatch interface over T::DispatchMap(), its events,
// the loading of its PARAM values, its class information and its window, all handed to the skeleton.
//
//   class CFooCtrl final : public controls::ControlObject<CFooCtrl> {
//    public:
//     static constexpr platform::com::IID kEventIid = ...;        // its event dispinterface
//     static const platform::com::DispatchTable<CFooCtrl>& DispatchMap();
//     explicit CFooCtrl(platform::com::Module& module);
//     ~CFooCtrl() override { Destroy(); }                        // so that its own OnDestroy runs
//   };
#pragma once

#include "COleControl.h"
#include "platform/com/connection.h"
#include "platform/com/control_window.h"
#include "platform/com/module.h"
#include "platform/com/object.h"
#include "platform/com/property_bag.h"
#include "platform/com/type_info.h"

namespace controls {

template <class T>
class ControlObject
    : public platform::com::ComObject<T, platform::com::DispatchImpl<T>, platform::com::EventSource<T>,
                                      platform::com::IPersistPropertyBag, platform::com::IProvideClassInfo,
                                      platform::com::IControlWindow>,
      public COleControl {
 public:
  ControlObject(platform::com::Module& module, const ControlDescription& description)
      : COleControl(description), lock_(module) {}

  // The skeleton's dispatch members, as members of the control's first base: the table calls them on the
  // control object itself.
  platform::com::HRESULT DispAboutBox(platform::com::DispatchCall& call) { return InvokeAboutBox(call); }
  platform::com::HRESULT DispGetStatus(platform::com::DispatchCall& call) { return InvokeGetStatus(call); }
  platform::com::HRESULT DispGetText(platform::com::DispatchCall& call) { return InvokeGetText(call); }
  platform::com::HRESULT DispSetText(platform::com::DispatchCall& call) { return InvokeSetText(call); }

  platform::com::HRESULT InitNew() override { return ResetState(); }
  platform::com::HRESULT Load(platform::com::IPropertyBag* bag) override { return LoadState(bag); }

  platform::com::HRESULT GetClassInfo(const platform::com::TypeLib** lib,
                                      const platform::com::CoClass** coclass) override {
    if (!lib || !coclass) return platform::com::E_POINTER;
    *lib = Description().typeLib;
    *coclass = Description().coClass;
    return (*lib && *coclass) ? platform::com::S_OK : platform::com::E_FAIL;
  }

  platform::com::HRESULT CreateControlWindow(platform::ui::Window& parent, const platform::ui::Rect& rect) override {
    // The events fired while the window is made may make the host let go of the control.
    platform::com::ComPtr<T> keep(static_cast<T*>(this));
    return CreateWindowIn(parent, rect);
  }
  platform::ui::Window* ControlWindow() override { return IsCreated() ? this : nullptr; }
  platform::com::HRESULT DestroyControlWindow() override { return DestroyWindowNow(); }

 protected:
  void FireEventArgs(platform::com::DISPID id, const std::vector<platform::com::Variant>& args) override {
    // A sink may release the host's last reference while it is called.
    platform::com::ComPtr<T> keep(static_cast<T*>(this));
    this->FireEvent(id, args);
  }

 private:
  platform::com::ModuleLock lock_;
};

}  // namespace controls
