// The skeleton that both controls share: the control's window, its status word and status event, the folded
// properties of its dispatch interface, the property exchange of its PARAM values, its about box and its
// message boxes. The COM side of a control class is ControlObject (ControlObject.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "MessageText.h"
#include "PropExchange.h"
#include "platform/com/dispatch_table.h"
#include "platform/com/guid.h"
#include "platform/com/property_bag.h"
#include "platform/com/type_info.h"
#include "platform/ui/dialog_template.h"
#include "platform/ui/services.h"
#include "platform/ui/window.h"

namespace controls {

// DISPIDs of the events both controls declare.
inline constexpr platform::com::DISPID kDispidOnStatusChanged = 2;
inline constexpr platform::com::DISPID kDispidOnCallRegist = 3;

// What a control class tells its skeleton.
struct ControlDescription {
  const std::vector<StringEntry>* strings = nullptr;  // its string table
  const platform::com::TypeLib* typeLib = nullptr;
  const platform::com::CoClass* coClass = nullptr;
  platform::com::CLSID propPage;
  std::uint32_t miscStatus = 0;
  const platform::ui::DialogTemplate* aboutBox = nullptr;  // dialog 1
};

class COleControl : public platform::ui::Window {
 public:
  // The system's own control flags; the controls add the no-flicker activation.
  static constexpr unsigned kFlagNoFlickerActivate = 0x20;

  explicit COleControl(const ControlDescription& description);
  ~COleControl() override;

  unsigned GetStatus() const { return status_; }
  int ScreenDpiX() const { return dpiX_; }
  int ScreenDpiY() const { return dpiY_; }
  bool IsModified() const { return modified_; }
  bool IsUIActive() const { return uiActive_; }
  unsigned GetControlFlags() const { return kFlagNoFlickerActivate; }
  std::uint32_t GetMiscStatus() const { return description_.miscStatus; }
  std::vector<platform::com::CLSID> GetPropPageIDs() const { return {description_.propPage}; }
  const ControlDescription& Description() const { return description_; }

  // Stores the status word, then fires OnStatusChanged with it and text.
  void SetStatus(unsigned status, const std::string& text);
  // Shows message id of the control's string table (stop icon for system errors, exclamation for the user's).
  platform::ui::BoxAnswer ShowMessage(int id, platform::ui::BoxIcon icon, const std::vector<MessageArg>& args = {},
                                      platform::ui::BoxButtons buttons = platform::ui::BoxButtons::Ok,
                                      int defaultButton = 0);
  // Shows the about box (dialog 1) modally.
  virtual void AboutBox();

  // The dispatch members of the skeleton (see AddSkeletonMembers; ControlObject hands them to the table).
  platform::com::HRESULT InvokeAboutBox(platform::com::DispatchCall& call);
  platform::com::HRESULT InvokeGetStatus(platform::com::DispatchCall& call);
  platform::com::HRESULT InvokeGetText(platform::com::DispatchCall& call);
  platform::com::HRESULT InvokeSetText(platform::com::DispatchCall& call);

  // What the COM side hands on: the PARAM values of a page (or their defaults), the window's creation and end.
  platform::com::HRESULT LoadState(platform::com::IPropertyBag* bag);
  platform::com::HRESULT ResetState();
  platform::com::HRESULT CreateWindowIn(platform::ui::Window& parent, const platform::ui::Rect& rect);
  platform::com::HRESULT DestroyWindowNow();

 protected:
  // Reads the control's PARAM values; called once for a page's values, or with a reset exchange.
  virtual void DoPropExchange(PropExchange& px) = 0;
  // Fires an event to every advised sink.
  virtual void FireEventArgs(platform::com::DISPID id, const std::vector<platform::com::Variant>& args) = 0;

  // The SystemFolder of a PARAM exchange: the profile's working folder on the systems of today, the host's PARAM
  // on older ones or when the profile rule itself failed (then with message 1007).
  std::string ExchangeSystemFolder(PropExchange& px);

  void InvalidateControl() { Invalidate(false); }
  void SetModifiedFlag() { modified_ = true; }
  void ActivateInPlace();  // becomes UI-active: the keyboard focus comes into the control

  int OnCreate() override;
  void OnMouseActivate() override;
  void OnPaint(platform::ui::Painter& painter) override;  // draws nothing: the child dialogs cover the control

 private:
  ControlDescription description_;
  unsigned status_ = 0;
  int dpiX_ = 96;
  int dpiY_ = 96;
  bool modified_ = false;
  bool uiActive_ = false;
  bool creating_ = false;        // the window is being made (events fire from the dialogs' initialisation)
  bool destroyPending_ = false;  // the host asked for its end meanwhile
};

// The 28 folded text properties of both controls' dispatch interfaces, in their table order.
struct FoldedProperty {
  platform::com::DISPID id;
  const char* name;
};
const std::vector<FoldedProperty>& FoldedProperties();

// AboutBox, GetStatus and the folded properties, in this order, at the head of T's dispatch table.
template <class T>
platform::com::DispatchTable<T>& AddSkeletonMembers(platform::com::DispatchTable<T>& table) {
  using platform::com::DispatchKind;
  table.Add(platform::com::DISPID_ABOUTBOX, "AboutBox", DispatchKind::Method, &T::DispAboutBox);
  table.Add(1, "GetStatus", DispatchKind::Method, &T::DispGetStatus);
  for (const FoldedProperty& p : FoldedProperties()) {
    table.AddProperty(p.id, p.name, platform::com::VT_BSTR, &T::DispGetText, &T::DispSetText);
  }
  return table;
}

// The same members as type information of the control's dispinterface.
std::vector<platform::com::TypeMember> SkeletonTypeMembers();
// The head of both controls' event dispinterfaces: GetStatus (as their libraries have always declared it there),
// OnStatusChanged and OnCallRegist.
std::vector<platform::com::TypeMember> SkeletonEventMembers();

}  // namespace controls
