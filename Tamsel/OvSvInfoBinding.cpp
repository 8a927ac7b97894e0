#include "OvSvInfoBinding.h"

namespace tamsel {

namespace {
constexpr const char* kLibraryName = "OvSvInfo.dll";
}  // namespace

bool OvSvInfoBinding::Load() {
  Release();
  try {
    module_ = platform::LoadModule(kLibraryName);
  } catch (...) {
    module_ = nullptr;
  }
  return module_ != nullptr;
}

bool OvSvInfoBinding::BindForDialog() {
  if (!Load()) return false;
  fmalt_ = platform::GetFunctionAs<OvFMaltFunc>(module_, "OvFMalt");
  if (!fmalt_) return false;
  getHeader_ = platform::GetFunctionAs<OvGetHeaderFunc>(module_, "OvGetHeader");
  if (!getHeader_) return false;
  getDataPath_ = platform::GetFunctionAs<OvGetDataPathFunc>(module_, "OvGetDataPath");
  return getDataPath_ != nullptr;
}

bool OvSvInfoBinding::BindForLoad() {
  if (!Load()) return false;
  fmalt_ = platform::GetFunctionAs<OvFMaltFunc>(module_, "OvFMalt");
  if (!fmalt_) return false;
  getHeader_ = platform::GetFunctionAs<OvGetHeaderFunc>(module_, "OvGetHeader");
  return getHeader_ != nullptr;
}

void OvSvInfoBinding::Release() {
  if (module_) platform::FreeModule(module_);
  module_ = nullptr;
  // A function of a freed library must never be called.
  fmalt_ = nullptr;
  getHeader_ = nullptr;
  getDataPath_ = nullptr;
}

template <class Call>
int OvSvInfoBinding::Guarded(bool bound, Call&& call) {
  if (!bound) return -1;
  try {
    return static_cast<int>(call());
  } catch (...) {
    if (onCallFailed_) onCallFailed_();
    return -1;
  }
}

int OvSvInfoBinding::FMalt(const std::string& estimateFile, const std::string& targetFolder) {
  return Guarded(fmalt_ != nullptr, [&] { return fmalt_(estimateFile.c_str(), targetFolder.c_str()); });
}

int OvSvInfoBinding::GetHeader(int kind, const std::string& estimateFile, char* buffer) {
  return Guarded(getHeader_ != nullptr, [&] { return getHeader_(kind, estimateFile.c_str(), buffer); });
}

int OvSvInfoBinding::GetDataPath(char* buffer) {
  return Guarded(getDataPath_ != nullptr, [&] { return getDataPath_(buffer); });
}

}  // namespace tamsel
