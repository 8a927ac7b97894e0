// The page's controls in one top-level window: each <object> made through the COM layer, its PARAM values
// loaded, its events advised and printed, its window embedded below the one before.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "page_scanner.h"
#include "platform/com/com_ptr.h"
#include "platform/com/connection.h"
#include "platform/com/control_window.h"
#include "platform/com/dispatch.h"
#include "platform/com/type_info.h"
#include "platform/ui/window.h"

namespace pagehost {

// Where each line the host prints goes (stdout, flushed, in vekpage).
using LineOutput = std::function<void(const std::string& line)>;

// The area of a control whose window holds no dialog, in pixels. A control with dialogs gets their natural
// size: the largest that their templates give.
inline constexpr int kDefaultControlWidth = 800;
inline constexpr int kDefaultControlHeight = 600;

struct HostedObject {
  std::string id;  // UTF-8
  platform::com::CLSID clsid;
  std::string origin;  // where its class came from, for the log
  platform::com::ComPtr<platform::com::IDispatch> dispatch;
  platform::com::ComPtr<platform::com::IControlWindow> window;
  platform::com::ComPtr<platform::com::EventSink> sink;
  platform::com::IID events{};
  std::uint32_t cookie = 0;
  const platform::com::DispInterface* eventInterface = nullptr;  // nullptr: events named by their DISPID

  // The control's window; nullptr when it has none.
  platform::ui::Window* ControlWindow() const { return window ? window->ControlWindow() : nullptr; }
  // The name of an event (its DISPID in decimal when the class tells no names).
  std::string EventName(platform::com::DISPID id) const;
  // The object fires an event of that name (any name when it tells no names).
  bool HasEvent(std::string_view name) const;
};

// One event as it was fired, for `wait`.
struct EventRecord {
  std::size_t object = 0;
  std::string name;
  bool hasFirst = false;
  std::string first;  // the first argument's text (json_line.h ValueText)
  bool taken = false;
};

// The top-level window of the page.
class PageWindow : public platform::ui::Window {
 public:
  std::function<void()> onDestroy;
  std::function<void(int id)> onTimer;

 protected:
  void OnDestroy() override {
    if (onDestroy) onDestroy();
  }
  void OnTimer(int id) override {
    if (onTimer) onTimer(id);
  }
};

class PageHost {
 public:
  explicit PageHost(LineOutput output);
  ~PageHost();
  PageHost(const PageHost&) = delete;
  PageHost& operator=(const PageHost&) = delete;

  // Makes the window and every object of the page in page order; false with error (UTF-8) at the first object
  // that cannot be made, loaded or embedded (the objects made so far stay until Close). notes (UTF-8) tells
  // where each class came from and what was passed over.
  bool Open(const Page& page, const std::string& caption, bool show, std::string& error,
            std::vector<std::string>& notes);
  // Unadvises every object, destroys its window and releases it, then the page's window. Twice: nothing.
  void Close();
  bool IsOpen() const { return window_.IsCreated(); }

  PageWindow& Window() { return window_; }
  std::vector<HostedObject>& Objects() { return objects_; }
  HostedObject* Find(std::string_view id);
  std::vector<EventRecord>& Events() { return events_; }

  // The object a request of owner belongs to: the one whose window holds owner; without one, the object the
  // host is acting on, else the page's only object; empty when none can be told.
  std::string ObjectOf(platform::ui::Window* owner) const;
  // The object the host acts on from now on (nullptr: none); gives the one before.
  const HostedObject* SetCurrent(const HostedObject* object);

 private:
  void CloseObjects();
  // Makes one object with its window at top; area: where its window stands then.
  bool OpenObject(const PageObject& object, int top, platform::ui::Rect& area, std::string& error,
                  std::vector<std::string>& notes);
  void OnEvent(std::size_t index, platform::com::DISPID id, const std::vector<platform::com::Variant>& args);

  LineOutput output_;
  PageWindow window_;
  std::vector<HostedObject> objects_;
  std::vector<EventRecord> events_;
  const HostedObject* current_ = nullptr;
};

}  // namespace pagehost
