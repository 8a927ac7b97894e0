// The header library (or its fake) bound as the controls bind it: loaded by name, functions looked up by name.
#pragma once

#include <string>

#include "OvSvInfo.h"
#include "platform/module.h"

namespace ovsvinfo_test {

struct Library {
  OvFMaltFunc fmalt = nullptr;
  OvGetHeaderFunc getHeader = nullptr;
  OvGetDataPathFunc getDataPath = nullptr;
};

// Kept loaded for the rest of the test program; all null when the module is missing.
inline Library Load(const std::string& module) {
  Library lib;
  platform::ModuleHandle handle = platform::LoadModule(module);
  if (!handle) return lib;
  lib.fmalt = platform::GetFunctionAs<OvFMaltFunc>(handle, "OvFMalt");
  lib.getHeader = platform::GetFunctionAs<OvGetHeaderFunc>(handle, "OvGetHeader");
  lib.getDataPath = platform::GetFunctionAs<OvGetDataPathFunc>(handle, "OvGetDataPath");
  return lib;
}

}  // namespace ovsvinfo_test
