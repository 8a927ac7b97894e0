#include "platform/com/type_info.h"

#include <cstdio>

#include "platform/text.h"

namespace platform::com {

const TypeMember* DispInterface::FindMember(DISPID memid) const {
  for (const TypeMember& m : members) {
    if (m.memid == memid) return &m;
  }
  return nullptr;
}

const TypeMember* DispInterface::FindMember(DISPID memid, DispatchKind kind) const {
  for (const TypeMember& m : members) {
    if (m.memid == memid && m.kind == kind) return &m;
  }
  return nullptr;
}

const TypeMember* DispInterface::FindMember(std::string_view name) const {
  for (const TypeMember& m : members) {
    if (EqualsNoCaseAscii(m.name, name)) return &m;
  }
  return nullptr;
}

std::string TypeLib::VersionText() const {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%x.%x", majorVersion, minorVersion);
  return buf;
}

const DispInterface* TypeLib::FindInterface(const IID& iid) const {
  for (const DispInterface& i : interfaces) {
    if (i.iid == iid) return &i;
  }
  return nullptr;
}

const CoClass* TypeLib::FindClass(const CLSID& clsid) const {
  for (const CoClass& c : classes) {
    if (c.clsid == clsid) return &c;
  }
  return nullptr;
}

}  // namespace platform::com
