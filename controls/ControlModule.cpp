#include "ControlModule.h"

#include <string>

#include "ControlRegistration.h"

namespace controls {

namespace com = platform::com;
using namespace platform::ui;

DialogTemplate AboutBoxTemplate(const ControlIdentity& identity) {
  const std::string name = identity.name;
  return DialogTemplate{
      kIddAboutBox, name + " のバージョン情報", 0, 0, 0, 200, 64, "ＭＳ Ｐゴシック", 9,
      {
          {kNoId, ControlKind::Static, name + " コントロール", 0, 12, 10, 176, 10},
          {kNoId, ControlKind::Static, std::string("バージョン ") + identity.version, 0, 12, 24, 176, 10},
          {kIdOk, ControlKind::Button, "OK", kDefaultButton, 75, 42, 50, 14},
      }};
}

const DialogTemplate& PropPageTemplate() {
  static const DialogTemplate t{kIddPropPage, "全般", kChildDialog, 0, 0, 250, 62, "ＭＳ Ｐゴシック", 9, {}};
  return t;
}

com::TypeLib ControlTypeLib(const ControlIdentity& identity, std::vector<com::TypeMember> ownEvents) {
  const std::string name = identity.name;
  com::TypeLib t{identity.libid, 1, 0, name + "Lib", {}, {}};
  t.interfaces.push_back({identity.dispatch, "_D" + name, SkeletonTypeMembers()});
  std::vector<com::TypeMember> events = SkeletonEventMembers();
  for (com::TypeMember& member : ownEvents) events.push_back(std::move(member));
  t.interfaces.push_back({identity.events, "_D" + name + "Events", std::move(events)});
  t.classes.push_back({identity.control, name, identity.dispatch, identity.events});
  return t;
}

com::ModuleInfo ControlModuleInfo(const ControlIdentity& identity, const com::TypeLib& lib,
                                  const std::vector<StringEntry>& strings, com::CreateFunction createControl,
                                  com::CreateFunction createPropPage) {
  const std::string name = identity.name;
  com::ModuleInfo info;
  info.classes.push_back({identity.control, name + "." + name + "Ctrl.1", LoadTableString(strings, kIdsTypeName),
                          kControlMiscStatus, com::ThreadingModel::Apartment, 1, true, SafeControlCategories(),
                          createControl});
  info.classes.push_back({identity.propPage, name + "." + name + "PropPage.1",
                          LoadTableString(strings, kIdsPropPageTypeName), 0, com::ThreadingModel::None, 0, false, {},
                          createPropPage});
  info.typeLib = &lib;
  info.categories = SafeControlCategoryDescriptions();
  return info;
}

ControlDescription DescribeControl(const ControlIdentity& identity, const com::TypeLib& lib,
                                   const std::vector<StringEntry>& strings, const DialogTemplate& aboutBox) {
  ControlDescription d;
  d.strings = &strings;
  d.typeLib = &lib;
  d.coClass = lib.FindClass(identity.control);
  d.propPage = identity.propPage;
  d.miscStatus = kControlMiscStatus;
  d.aboutBox = &aboutBox;
  return d;
}

}  // namespace controls
