// The selection dialog's binding of the outside header library "OvSvInfo.dll": loaded by name, its functions
// looked up by name, each call guarded, released again.
#pragma once

#include <functional>
#include <string>

#include "OvSvInfo.h"
#include "platform/module.h"

namespace tamsel {

class OvSvInfoBinding {
 public:
  // onCallFailed: what a call that raised an exception shows (message 1016).
  explicit OvSvInfoBinding(std::function<void()> onCallFailed) : onCallFailed_(std::move(onCallFailed)) {}
  ~OvSvInfoBinding() { Release(); }
  OvSvInfoBinding(const OvSvInfoBinding&) = delete;
  OvSvInfoBinding& operator=(const OvSvInfoBinding&) = delete;

  // For the dialog: loads, then looks up OvFMalt, OvGetHeader and OvGetDataPath; false at the first failure
  // (the caller shows its message and releases).
  bool BindForDialog();
  // For one load: loads, then looks up OvFMalt and OvGetHeader.
  bool BindForLoad();
  // Frees the library when it is loaded and forgets its handle and functions.
  void Release();
  bool IsLoaded() const { return module_ != nullptr; }

  // The calls, each through the guard: -1 when the function is not bound, or (after onCallFailed) when it
  // raised an exception; else its 16-bit result widened with its sign.
  int FMalt(const std::string& estimateFile, const std::string& targetFolder);
  int GetHeader(int kind, const std::string& estimateFile, char* buffer);
  int GetDataPath(char* buffer);

 private:
  // Releases what is loaded and loads the library again.
  bool Load();
  template <class Call>
  int Guarded(bool bound, Call&& call);

  std::function<void()> onCallFailed_;
  platform::ModuleHandle module_ = nullptr;
  OvFMaltFunc fmalt_ = nullptr;
  OvGetHeaderFunc getHeader_ = nullptr;
  OvGetDataPathFunc getDataPath_ = nullptr;
};

}  // namespace tamsel
