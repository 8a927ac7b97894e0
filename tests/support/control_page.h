// A page for a control's tests: the control made from its module's own factory, its PARAM values loaded from a
// property bag, its window on a host window, the events it fires recorded, and message boxes and file dialogs
// answered by the scripted services. Header only: the tests that use it link the control's classes.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/com/connection.h"
#include "platform/com/control_window.h"
#include "platform/com/dispatch.h"
#include "platform/com/module.h"
#include "platform/com/property_bag.h"
#include "platform/ui/application.h"
#include "platform/ui/services.h"
#include "platform/ui/window.h"
#include "test_support.h"

namespace testing_support {

using Params = std::map<std::string, std::string>;

struct ControlEvent {
  platform::com::DISPID id;
  std::vector<platform::com::Variant> args;
};

template <class Ctrl>
class ControlPage {
 public:
  ControlPage(platform::com::Module& module, const platform::com::IID& eventIid, const Params& params) {
    namespace com = platform::com;
    platform::ui::EnsureApplication(true);
    services.onUnexpected = [](const std::string& what) { ADD_FAILURE() << "unexpected request: " << Show(what); };
    void* out = nullptr;
    EXPECT_EQ(com::CreateObject<Ctrl>(module, com::IDispatch::kIid, &out), com::S_OK);
    dispatch.Attach(static_cast<com::IDispatch*>(out));
    ctrl = static_cast<Ctrl*>(dispatch.Get());
    sink = com::MakeObject<com::EventSink>(eventIid, [this](com::DISPID id, const std::vector<com::Variant>& args) {
      events.push_back({id, args});
    });
    EXPECT_EQ(com::Advise(dispatch.Get(), eventIid, sink.Get(), &cookie), com::S_OK);
    Load(params);
  }

  ~ControlPage() {
    platform::com::ComPtr<platform::com::IControlWindow> window;
    if (platform::com::Succeeded(dispatch.As(window))) window->DestroyControlWindow();
    host.Destroy();
  }

  // Loads PARAM values (again).
  void Load(const Params& params) {
    namespace com = platform::com;
    com::ComPtr<com::IPersistPropertyBag> persist;
    EXPECT_EQ(dispatch.As(persist), com::S_OK);
    com::ComPtr<com::PropertyBag> bag = com::MakeObject<com::PropertyBag>();
    for (const auto& [name, value] : params) bag->Set(name, value);
    EXPECT_EQ(persist->Load(bag.Get()), com::S_OK);
  }

  void CreateWindow(int width, int height) {
    namespace com = platform::com;
    ASSERT_TRUE(host.CreateTopLevel("page", platform::ui::RectAt(0, 0, width, height)));
    com::ComPtr<com::IControlWindow> window;
    ASSERT_EQ(dispatch.As(window), com::S_OK);
    ASSERT_EQ(window->CreateControlWindow(host, platform::ui::RectAt(0, 0, width, height)), com::S_OK);
    host.Show(true);
    platform::ui::DispatchPendingMessages();
  }

  // The status words of the OnStatusChanged events so far.
  std::vector<unsigned> Statuses() const {
    std::vector<unsigned> out;
    for (const ControlEvent& e : events) {
      if (e.id == 2) out.push_back(e.args.at(0).AsUI4());
    }
    return out;
  }

  platform::ui::ScriptedServices services;
  platform::ui::ServicesScope servicesScope{services};
  platform::ui::Window host;
  platform::com::ComPtr<platform::com::IDispatch> dispatch;
  Ctrl* ctrl = nullptr;
  platform::com::ComPtr<platform::com::EventSink> sink;
  std::uint32_t cookie = 0;
  std::vector<ControlEvent> events;
};

}  // namespace testing_support
