// A page for the photo control's tests: a host window, the control made from the module's own factory with the
// page's PARAM values, and the events it fires.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "CQuillonCtrl.h"
#include "control_page.h"
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

using Params = testing_support::Params;
using Event = testing_support::ControlEvent;

inline com::Module& TestModule() {
  static com::Module module(quillon::QuillonModuleInfo());
  return module;
}

// One control on a host window; message boxes answered by the scripted services.
class QuillonPage : public testing_support::ControlPage<quillon::CQuillonCtrl> {
 public:
  explicit QuillonPage(const Params& params, bool withWindow = true)
      : ControlPage(TestModule(), quillon::kIidDQuillonEvents, params) {
    if (withWindow) CreateWindow();
  }
  void CreateWindow(const ui::Rect& rect = ui::RectAt(0, 0, 1300, 900)) {
    ControlPage::CreateWindow(rect.Width(), rect.Height());
  }
};

}  // namespace quillon_test
