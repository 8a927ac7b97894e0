// Helpers of the extraction library's tests: a test folder with the current folder inside it, the shared fake
// environment and clock installed, the library's start and end under them, and a handle on a fake estimate-file
// library.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <map>
#include <string>

#include "UIF_HestrelMain.h"
#include "platform/clock.h"
#include "platform/env.h"
#include "platform/error.h"
#include "platform/fault.h"
#include "platform/files.h"
#include "platform/module.h"
#include "fakes.h"
#include "test_support.h"

namespace hestrel_test {

// A test folder holding: tmp/ (the temporary folder), docs/ (shared documents), host/ (the host program's
// folder), cwd/ (the current folder while the test runs). The fake environment and clock are installed.
class HestrelTest : public ::testing::Test {
 public:
  HestrelTest() {
    for (const char* f : {"tmp", "docs", "host", "cwd"}) platform::MakeFolder(root / f);
    env.tempFolder = root / "tmp";
    Documents() = root / "docs";
    env.hostProgramFolder = root / "host";
    env.processId = 4321;
    clock.now.second = 15;
    platform::SetEnvironment(&env);
    platform::SetClock(&clock);
    char buf[4096];
    saved_ = getcwd(buf, sizeof buf) ? buf : "/";
    if (chdir((root / "cwd").c_str()) != 0) ADD_FAILURE() << "chdir";
  }
  ~HestrelTest() override {
    hestrel::HestrelUnload();
    platform::ClearFaults();
    if (chdir(saved_.c_str()) != 0) ADD_FAILURE() << "chdir back";
    platform::SetClock(nullptr);
    platform::SetEnvironment(nullptr);
  }

  std::string& Documents() { return env.specialFolders[platform::SpecialFolder::CommonDocuments]; }
  void SetApplicationPath(const std::string& path) {
    env.SetRegistry("SOFTWARE\\Kelmora\\Torvane\\Data\\Settings\\", "ApplicationPath", path);
  }

  // The library's start under the fake environment (settings read now).
  void Load() {
    hestrel::HestrelUnload();
    hestrel::HestrelLoad();
  }

  // The log folder for a system after Vista, and an OvOption.ini in the settings folder there.
  std::string LogFolder() { return Documents() + "/Kelmora/Torv7/Bin/Log/"; }
  void WriteOptions(const std::string& body) {
    platform::MakeFolders(Documents() + "/Kelmora/Torv7/Data");
    testing_support::WriteRaw(Documents() + "/Kelmora/Torv7/Data/OvOption.ini", body);
  }
  // DebugLog as given, the log folder made.
  void LoadWithDebugLog(int level) {
    WriteOptions("[System]\r\nDebugLog=" + std::to_string(level) + "\r\n");
    platform::MakeFolders(LogFolder());
    Load();
  }
  std::string DebugLogText() { return testing_support::ReadRaw(LogFolder() + "Debug.log"); }
  std::string ErrorLogText() { return testing_support::ReadRaw(LogFolder() + "Error.log"); }

  testing_support::TempFolder root;
  testing_support::FakeEnvironment env;
  testing_support::FakeClock clock;

 private:
  std::string saved_;
};

// A fake estimate-file library held loaded by the test, so that its state outlives each binding's unload.
class FakeDorvik {
 public:
  explicit FakeDorvik(const std::string& variant = "fakedorvik")
      : folder(std::string(FAKE_DORVIK_DIR) + "/" + variant),
        handle_(platform::LoadModuleFrom(folder + "/libDorvik.so", nullptr)) {
    if (!handle_) ADD_FAILURE() << "cannot load the fake: " << platform::ModuleError();
    Reset();
  }
  ~FakeDorvik() {
    if (handle_) platform::FreeModule(handle_);
  }
  FakeDorvik(const FakeDorvik&) = delete;
  FakeDorvik& operator=(const FakeDorvik&) = delete;

  void Reset() { Call<void (*)()>("FakeDorvikReset")(); }
  void Fail(const char* name, const char* code = "E09999999", int result = 0) {
    Call<void (*)(const char*, int, const char*)>("FakeDorvikFail")(name, result, code);
  }
  void SetContent(const std::string& lines) { Call<void (*)(const char*)>("FakeDorvikSetContent")(lines.c_str()); }
  void SetText(const char* name, const char* text, int reportedSize = -1) {
    Call<void (*)(const char*, const char*, int)>("FakeDorvikSetText")(name, text, reportedSize);
  }
  void SetHeader(const void* data, const void* info) {
    Call<void (*)(const void*, const void*)>("FakeDorvikSetHeader")(data, info);
  }
  std::string Calls() { return Call<const char* (*)()>("FakeDorvikCalls")(); }
  std::string Saved() { return Call<const char* (*)()>("FakeDorvikSaved")(); }

  const std::string folder;

 private:
  template <class F>
  F Call(const char* name) {
    F f = platform::GetFunctionAs<F>(handle_, name);
    if (!f) throw std::runtime_error(std::string("fake lacks ") + name);
    return f;
  }
  platform::ModuleHandle handle_;
};

}  // namespace hestrel_test
