// A module's classes as data: what its class factories make and what its registration writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/com/guid.h"
#include "platform/com/hresult.h"

namespace platform::com {

class Module;
struct TypeLib;

enum class ThreadingModel { None, Apartment, Free, Both };

// Makes one object of a class, asked for iid (see CreateObject in module.h).
using CreateFunction = HRESULT (*)(Module& module, const IID& iid, void** out);

struct ClassEntry {
  CLSID clsid = {};
  std::string progId = {};    // "" for none
  std::string typeName = {};  // the class's name for people (its registry key's default value)
  std::uint32_t miscStatus = 0;
  ThreadingModel threading = ThreadingModel::Apartment;
  int toolboxBitmap = 0;    // resource id of the toolbox picture; 0 for none
  bool isControl = false;   // controls get the Control, MiscStatus, ToolboxBitmap32 and TypeLib keys
  std::vector<GUID> categories = {};  // component categories the class implements
  CreateFunction create = nullptr;
};

struct ComponentCategory {
  GUID catid;
  std::string description;   // CP932; registered cut to 127 characters
  std::uint32_t locale = 0x409;
};

// Everything registration needs to know of a module.
struct ModuleInfo {
  std::vector<ClassEntry> classes = {};
  const TypeLib* typeLib = nullptr;  // nullptr: the module has none
  std::vector<ComponentCategory> categories = {};  // created by registration, never removed
};

}  // namespace platform::com
