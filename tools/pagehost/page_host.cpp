#include "page_host.h"

#include <algorithm>

#include "charset.h"
#include "json_line.h"
#include "platform/com/host.h"
#include "platform/com/property_bag.h"
#include "platform/module.h"
#include "platform/registry.h"
#include "platform/ui/application.h"
#include "platform/ui/dialog.h"

namespace pagehost {

namespace com = platform::com;
namespace ui = platform::ui;

namespace {

// The control libraries tried, in this order, for a class the registry does not know.
constexpr const char* kControlLibraries[] = {"Quillon.dll", "Tamsel.dll"};

constexpr int kGap = 8;  // between two controls

std::string GuidText(const com::CLSID& clsid) { return com::FormatGuid(clsid); }

// The library the registry stand-in names for a class (UTF-8); empty when none.
std::string RegisteredLibrary(const com::CLSID& clsid) {
  std::string library;
  platform::RegistryReadValue("HKEY_CLASSES_ROOT\\CLSID\\" + GuidText(clsid) + "\\InprocServer32", "", library);
  return Cp932ToUtf8Lossy(library);
}

// The natural size of a control's window: what its dialogs' templates ask for, the largest of them.
ui::Rect NaturalArea(ui::Window& control) {
  ui::Rect area;
  for (ui::Window* child : control.Children()) {
    auto* dialog = dynamic_cast<ui::Dialog*>(child);
    if (!dialog) continue;
    ui::Rect r = dialog->TemplateRect();
    area.right = std::max(area.right, r.Width());
    area.bottom = std::max(area.bottom, r.Height());
  }
  if (area.Width() <= 0 || area.Height() <= 0) return ui::RectAt(0, 0, kDefaultControlWidth, kDefaultControlHeight);
  return area;
}

}  // namespace

std::string HostedObject::EventName(com::DISPID id) const {
  if (eventInterface) {
    if (const com::TypeMember* m = eventInterface->FindMember(id)) return m->name;
  }
  return std::to_string(id);
}

bool HostedObject::HasEvent(std::string_view name) const {
  return !eventInterface || eventInterface->FindMember(name) != nullptr;
}

PageHost::PageHost(LineOutput output) : output_(std::move(output)) {
  // A person closing the window: the controls go first, while their parent stands.
  window_.onDestroy = [this] { CloseObjects(); };
}

PageHost::~PageHost() { Close(); }

bool PageHost::Open(const Page& page, const std::string& caption, bool show, std::string& error,
                    std::vector<std::string>& notes) {
  if (!window_.CreateTopLevel(caption, ui::RectAt(40, 40, kDefaultControlWidth, kDefaultControlHeight))) {
    error = "the page's window cannot be made";
    return false;
  }
  objects_.reserve(page.objects.size());
  // One below the other; the window as large as they are together.
  int top = 0, width = kDefaultControlWidth / 2, height = kDefaultControlHeight / 2;
  for (const PageObject& object : page.objects) {
    ui::Rect area;
    if (!OpenObject(object, top, area, error, notes)) return false;
    width = std::max(width, area.right);
    height = std::max(height, area.bottom);
    top = area.bottom + kGap;
  }
  window_.Move(ui::RectAt(40, 40, width, height));
  if (show) window_.Show(true);
  ui::DispatchPendingMessages();
  return true;
}

bool PageHost::OpenObject(const PageObject& object, int top, ui::Rect& area, std::string& error,
                          std::vector<std::string>& notes) {
  area = ui::RectAt(0, top, 0, 0);
  HostedObject& o = objects_.emplace_back();
  std::size_t index = objects_.size() - 1;
  o.id = object.id;
  o.clsid = object.clsid;
  const std::string where = "object \"" + object.id + "\" (line " + std::to_string(object.line) + ")";
  const HostedObject* before = SetCurrent(&o);
  struct Restore {
    PageHost& host;
    const HostedObject* before;
    ~Restore() { host.SetCurrent(before); }
  } restore{*this, before};

  // The registry's InprocServer32 first; a class it does not know, from the control libraries beside us.
  com::HRESULT hr = com::CreateInstance(o.clsid, o.dispatch);
  if (com::Succeeded(hr)) {
    o.origin = "the registry (" + RegisteredLibrary(o.clsid) + ")";
  } else if (hr == com::REGDB_E_CLASSNOTREG) {
    std::string tried;
    for (const char* library : kControlLibraries) {
      hr = com::CreateInstanceFromLibrary(library, o.clsid, o.dispatch);
      if (com::Succeeded(hr)) {
        o.origin = library;
        break;
      }
      tried += std::string(tried.empty() ? " (" : "; ") + library + ": " +
               (hr == com::CO_E_DLLNOTFOUND ? Cp932ToUtf8Lossy(platform::ModuleError()) : com::FormatHResult(hr));
    }
    if (!o.dispatch) {
      error = where + ": class " + GuidText(o.clsid) +
              " is not registered, and no control library beside vekpage has it" + tried + ")";
      return false;
    }
  } else {
    error = where + ": class " + GuidText(o.clsid) + " is registered with \"" + RegisteredLibrary(o.clsid) +
            "\", but its object cannot be made: " + com::FormatHResult(hr);
    return false;
  }
  notes.push_back(where + ": class " + GuidText(o.clsid) + " from " + o.origin);

  com::ComPtr<com::IPersistPropertyBag> persist;
  if (com::Succeeded(o.dispatch.As(persist))) {
    if (object.params.empty()) {
      hr = persist->InitNew();
    } else {
      com::ComPtr<com::PropertyBag> bag = com::MakeObject<com::PropertyBag>();
      for (const PageParam& p : object.params) bag->Set(p.name, p.value);
      hr = persist->Load(bag.Get());
    }
    if (com::Failed(hr)) {
      error = where + ": its PARAM values do not load: " + com::FormatHResult(hr);
      return false;
    }
  } else if (!object.params.empty()) {
    notes.push_back(where + ": the object takes no PARAM values; they are passed over");
  }

  com::ComPtr<com::IProvideClassInfo> info;
  const com::TypeLib* lib = nullptr;
  const com::CoClass* coclass = nullptr;
  if (com::Succeeded(o.dispatch.As(info)) && com::Succeeded(info->GetClassInfo(&lib, &coclass))) {
    o.events = coclass->eventInterface;
    o.eventInterface = lib->FindInterface(o.events);
    o.sink = com::MakeObject<com::EventSink>(
        o.events, [this, index](com::DISPID id, const std::vector<com::Variant>& args) { OnEvent(index, id, args); });
    hr = com::Advise(o.dispatch.Get(), o.events, o.sink.Get(), &o.cookie);
    if (com::Failed(hr)) {
      notes.push_back(where + ": its events cannot be advised: " + com::FormatHResult(hr));
      o.cookie = 0;
    }
  } else {
    notes.push_back(where + ": the object tells no class information; its events are not heard");
  }

  if (com::Failed(o.dispatch.As(o.window))) {
    notes.push_back(where + ": the object has no window");
    return true;
  }
  hr = o.window->CreateControlWindow(window_, ui::RectAt(0, top, kDefaultControlWidth, kDefaultControlHeight));
  if (com::Failed(hr) || !o.ControlWindow()) {
    error = where + ": its window cannot be made: " + com::FormatHResult(hr);
    return false;
  }
  ui::Rect natural = NaturalArea(*o.ControlWindow());
  area = ui::RectAt(0, top, natural.Width(), natural.Height());
  o.ControlWindow()->Move(area);
  return true;
}

void PageHost::OnEvent(std::size_t index, com::DISPID id, const std::vector<com::Variant>& args) {
  HostedObject& o = objects_[index];
  EventRecord record;
  record.object = index;
  record.name = o.EventName(id);
  if (!args.empty()) record.hasFirst = ValueText(args.front(), record.first);
  output_(EventLine(o.id, record.name, args));
  events_.push_back(std::move(record));
}

void PageHost::Close() {
  CloseObjects();
  window_.Destroy();
}

void PageHost::CloseObjects() {
  for (HostedObject& o : objects_) {
    if (o.cookie) com::Unadvise(o.dispatch.Get(), o.events, o.cookie);
    o.cookie = 0;
    if (o.window) o.window->DestroyControlWindow();
  }
  for (HostedObject& o : objects_) {
    o.window.Reset();
    o.sink.Reset();
    o.dispatch.Reset();
  }
  current_ = nullptr;
}

HostedObject* PageHost::Find(std::string_view id) {
  for (HostedObject& o : objects_) {
    if (o.id == id) return &o;
  }
  return nullptr;
}

std::string PageHost::ObjectOf(ui::Window* owner) const {
  for (ui::Window* w = owner; w; w = w->Parent()) {
    for (const HostedObject& o : objects_) {
      if (o.ControlWindow() == w) return o.id;
    }
  }
  if (current_) return current_->id;
  return objects_.size() == 1 ? objects_.front().id : std::string();
}

const HostedObject* PageHost::SetCurrent(const HostedObject* object) {
  const HostedObject* before = current_;
  current_ = object;
  return before;
}

}  // namespace pagehost
