// A page for the photo control's tests: a host window, the control made from the module's own factory with the
// page's PARAM values, and the events it fires.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "CQuillonCtrl.h"
#include "QuillonLib.h"
#include "platform/com/connection.h"
#include "platform/com/control_window.h"
#include "platform/com/dispatch.h"
#include "platform/com/property_bag.h"
#include "platform/ui/application.h"
#include "platform/ui/services.h"
#include "platform/ui/window.h"

namespace quillon_test {

namespace com = platform::com;
namespace ui = platform::ui;

using Params = std::map<std::string, std::string>;

struct Event {
  com::DISPID id;
  std::vector<com::Variant> args;
};

inline com::Module& TestModule() {
  static com::Module module(quillon::QuillonModuleInfo());
  return module;
}

// One control on a host window; message boxes answered by the scripted services.
class QuillonPage {
 public:
  explicit QuillonPage(const Params& params, bool withWindow = true) {
    ui::EnsureApplication(true);
    services.onUnexpected = [](const std::string& what) { ADD_FAILURE() << "unexpected request"; (void)what; };
    void* out = nullptr;
    EXPECT_EQ(com::CreateObject<quillon::CQuillonCtrl>(TestModule(), com::IDispatch::kIid, &out), com::S_OK);
    dispatch.Attach(static_cast<com::IDispatch*>(out));
    ctrl = static_cast<quillon::CQuillonCtrl*>(dispatch.Get());
    sink = com::MakeObject<com::EventSink>(quillon::kIidDQuillonEvents,
                                           [this](com::DISPID id, const std::vector<com::Variant>& args) {
                                             events.push_back({id, args});
                                           });
    EXPECT_EQ(com::Advise(dispatch.Get(), quillon::kIidDQuillonEvents, sink.Get(), &cookie), com::S_OK);
    com::ComPtr<com::IPersistPropertyBag> persist;
    EXPECT_EQ(dispatch.As(persist), com::S_OK);
    com::ComPtr<com::PropertyBag> bag = com::MakeObject<com::PropertyBag>();
    for (const auto& [name, value] : params) bag->Set(name, value);
    EXPECT_EQ(persist->Load(bag.Get()), com::S_OK);
    if (withWindow) CreateWindow();
  }

  ~QuillonPage() {
    com::ComPtr<com::IControlWindow> window;
    if (com::Succeeded(dispatch.As(window))) window->DestroyControlWindow();
    host.Destroy();
  }

  void CreateWindow(const ui::Rect& rect = ui::RectAt(0, 0, 1300, 900)) {
    ASSERT_TRUE(host.CreateTopLevel("page", rect));
    com::ComPtr<com::IControlWindow> window;
    ASSERT_EQ(dispatch.As(window), com::S_OK);
    ASSERT_EQ(window->CreateControlWindow(host, ui::RectAt(0, 0, rect.Width(), rect.Height())), com::S_OK);
    host.Show(true);
    ui::DispatchPendingMessages();
  }

  // The status words of the OnStatusChanged events so far.
  std::vector<unsigned> Statuses() const {
    std::vector<unsigned> out;
    for (const Event& e : events) {
      if (e.id == 2) out.push_back(e.args.at(0).AsUI4());
    }
    return out;
  }

  ui::ScriptedServices services;
  ui::ServicesScope servicesScope{services};
  ui::Window host;
  com::ComPtr<com::IDispatch> dispatch;
  quillon::CQuillonCtrl* ctrl = nullptr;
  com::ComPtr<com::EventSink> sink;
  std::uint32_t cookie = 0;
  std::vector<Event> events;
};

}  // namespace quillon_test
