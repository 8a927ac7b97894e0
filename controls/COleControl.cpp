#include "COleControl.h"

#include "ControlMessage.h"
#include "DialogCreation.h"
#include "ParamValues.h"
#include "platform/env.h"
#include "platform/ui/dialog.h"

namespace controls {

namespace com = platform::com;
namespace ui = platform::ui;

COleControl::COleControl(const ControlDescription& description) : description_(description) {
  dpiX_ = platform::CurrentEnvironment().ScreenDpiX();
  dpiY_ = platform::CurrentEnvironment().ScreenDpiY();
}

COleControl::~COleControl() = default;

void COleControl::SetStatus(unsigned status, const std::string& text) {
  status_ = status;
  FireEventArgs(kDispidOnStatusChanged, {com::Variant::UI4(status), com::Variant::Text(text)});
}

ui::BoxAnswer COleControl::ShowMessage(int id, ui::BoxIcon icon, const std::vector<MessageArg>& args,
                                       ui::BoxButtons buttons, int defaultButton) {
  static const std::vector<StringEntry> none;
  return ShowTableMessage(description_.strings ? *description_.strings : none, id, icon, args, buttons,
                          defaultButton, IsCreated() ? this : nullptr);
}

void COleControl::AboutBox() {
  if (!description_.aboutBox) return;
  ui::Dialog about;
  DoModalForDpi(about, *description_.aboutBox, IsCreated() ? this : nullptr, dpiX_, dpiY_);
}

com::HRESULT COleControl::InvokeAboutBox(com::DispatchCall&) {
  AboutBox();
  return com::S_OK;
}

com::HRESULT COleControl::InvokeGetStatus(com::DispatchCall& call) {
  call.result = com::Variant::UI4(status_);
  return com::S_OK;
}

// The folded properties store nothing: the host's values reach the control as PARAM values only.
com::HRESULT COleControl::InvokeGetText(com::DispatchCall& call) {
  call.result = com::Variant::Bstr(std::u16string());
  return com::S_OK;
}

com::HRESULT COleControl::InvokeSetText(com::DispatchCall&) {
  SetModifiedFlag();
  return com::S_OK;
}

std::string COleControl::ExchangeSystemFolder(PropExchange& px) {
  try {
    int major = 0, minor = 0, build = 0;
    platform::CurrentEnvironment().OsVersion(major, minor, build);
    if (major >= 6) return ProfileSystemFolder();
    std::string param;
    px.String("SystemFolder", param);
    return HostSystemFolder(param);
  } catch (...) {
    std::string param;
    px.String("SystemFolder", param);
    std::string folder = HostSystemFolder(param);
    ShowMessage(1007, ui::BoxIcon::Stop, {folder});
    return folder;
  }
}

com::HRESULT COleControl::LoadState(com::IPropertyBag* bag) {
  if (!bag) return com::E_POINTER;
  PropExchange px([bag](const std::string& name, std::string& value) {
    return com::Succeeded(bag->Read(name, &value));
  });
  DoPropExchange(px);
  return com::S_OK;
}

com::HRESULT COleControl::ResetState() {
  PropExchange px;
  DoPropExchange(px);
  return com::S_OK;
}

com::HRESULT COleControl::CreateWindowIn(ui::Window& parent, const ui::Rect& rect) {
  if (IsCreated() || creating_) return com::E_FAIL;
  // The dialogs fire events while they are made; a host that asks for the window's end from its handler gets it
  // once the window stands, not in the middle of its creation.
  creating_ = true;
  destroyPending_ = false;
  const bool created = CreateChild(parent, rect);
  creating_ = false;
  if (!created) return com::E_FAIL;
  if (destroyPending_) {
    destroyPending_ = false;
    DestroyWindowNow();
    return com::S_OK;
  }
  // Keys meant for the control's dialogs pass its own routing first, as a host hands them to an active control.
  SetPreviewKeys(true);
  return com::S_OK;
}

com::HRESULT COleControl::DestroyWindowNow() {
  if (creating_) {
    destroyPending_ = true;
    return com::S_OK;
  }
  Destroy();
  uiActive_ = false;
  return com::S_OK;
}

void COleControl::ActivateInPlace() {
  uiActive_ = true;
  Focus();
}

int COleControl::OnCreate() {
  ActivateInPlace();
  return 0;
}

void COleControl::OnMouseActivate() {
  if (!uiActive_) ActivateInPlace();
}

void COleControl::OnPaint(ui::Painter&) {}

const std::vector<FoldedProperty>& FoldedProperties() {
  static const std::vector<FoldedProperty> properties = {
      {1, "ReceptDate"},        {2, "FactoryName"},
      {3, "VisitorName"},       {4, "AgreePerson"},
      {5, "ReceptNo"},          {6, "AccidentDate"},
      {7, "SecurityNo"},        {8, "RegistNo"},
      {9, "Form"},              {10, "FormSpecNo"},
      {11, "Classification"},   {12, "ColorCode"},
      {13, "Owner"},            {14, "User"},
      {15, "Comment"},          {16, "InsuranceCompany"},
      {20, "ImageFolder"},      {21, "ServerURL"},
      {22, "SystemFolder"},     {23, "gfnm"},
      {24, "actctl"},           {25, "DealingsId"},
      {27, "SystemMaxEstimateFileNum"}, {26, "SystemMaxImageFileNum"},
      {29, "MaxEstimateFileNum"},       {28, "MaxImageFileNum"},
      {30, "MaxResolution"},    {31, "MaxViewFileNum"},
  };
  return properties;
}

std::vector<com::TypeMember> SkeletonTypeMembers() {
  using com::DispatchKind;
  std::vector<com::TypeMember> members;
  members.push_back({com::DISPID_ABOUTBOX, "AboutBox", DispatchKind::Method});
  members.push_back({1, "GetStatus", DispatchKind::Method, {}, com::VT_UI4});
  for (const FoldedProperty& p : FoldedProperties()) {
    members.push_back({p.id, p.name, DispatchKind::PropertyGet, {}, com::VT_BSTR});
    members.push_back({p.id, p.name, DispatchKind::PropertyPut, {{"value", com::VT_BSTR}}});
  }
  return members;
}

}  // namespace controls

namespace controls {

std::vector<com::TypeMember> SkeletonEventMembers() {
  using com::DispatchKind;
  return {
      {1, "GetStatus", DispatchKind::Method, {}, com::VT_UI4},
      {kDispidOnStatusChanged, "OnStatusChanged", DispatchKind::Method,
       {{"Status", com::VT_UI4}, {"CGIID", com::VT_BSTR}}},
      {kDispidOnCallRegist, "OnCallRegist", DispatchKind::Method,
       {{"Delimiter", com::VT_BSTR}, {"Regist", com::VT_BSTR}}},
  };
}

}  // namespace controls
