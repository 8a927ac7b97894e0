// The test control library as the tests load it: its file, and its four exports.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/com/host.h"
#include "platform/module.h"
#include "test_control_ids.h"

namespace test_control {

inline std::string LibraryPath() { return std::string(TEST_CONTROL_DIR) + "/libVekComTestCtl.so"; }

// Loads the library for the life of the object and binds its exports.
class Library {
 public:
  Library() : handle_(platform::LoadModule(LibraryPath())) {
    EXPECT_NE(handle_, nullptr) << platform::ModuleError();
    using namespace platform::com;
    canUnloadNow = platform::GetFunctionAs<DllCanUnloadNowFunction>(handle_, "DllCanUnloadNow");
    getClassObject = platform::GetFunctionAs<DllGetClassObjectFunction>(handle_, "DllGetClassObject");
    registerServer = platform::GetFunctionAs<DllRegisterServerFunction>(handle_, "DllRegisterServer");
    unregisterServer = platform::GetFunctionAs<DllUnregisterServerFunction>(handle_, "DllUnregisterServer");
    EXPECT_TRUE(canUnloadNow && getClassObject && registerServer && unregisterServer);
  }
  ~Library() {
    if (handle_) platform::FreeModule(handle_);
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  platform::com::DllCanUnloadNowFunction canUnloadNow = nullptr;
  platform::com::DllGetClassObjectFunction getClassObject = nullptr;
  platform::com::DllRegisterServerFunction registerServer = nullptr;
  platform::com::DllUnregisterServerFunction unregisterServer = nullptr;

 private:
  platform::ModuleHandle handle_;
};

}  // namespace test_control
