// Drives the fakes of the database back-ends and the version checker from a test (link dorvik_sql_fakes).
//
//   fake_outside::Scenario fakes(tempFolder + "/fakes");          // the "normal" fakes answer from now on
//   fakes.SetResult("DorvikSqlIf", "ReadCar", 0, "E09990001");      // ReadCar fails with that code
//   fakes.SetConversion(2, {"UPDATE a SET b = 1", "UPDATE c SET d = 2"});  // CheckDBVer(.., 2) asks for two
//   fakes.SetResultOfCall("DorvikSqlEm", "ExecuteSQL", 2, 0);       // the second ExecuteSQL fails
//   ... call the code under test ...
//   EXPECT_EQ(fakes.CallTexts(), (std::vector<std::string>{"DorvikSqlEm.Initialize(/w/a.sld, /l/x.log, 4) = 1",
//                                                           ...}));
//
// A Scenario points $VEK_MODULE_PATH at build/lib/fakes/<variant> and $VEK_FAKE_OUTSIDE at its state folder, and
// restores both when it goes. The module loader looks beside the asking module first, so the fakes stand in for
// code that is not itself in build/lib (test programs in build/bin that link Dorvik's code statically).
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fake_log_format.h"

namespace fake_outside {

// One recorded call.
struct Call {
  std::string module;
  std::string function;
  std::vector<std::string> args;
  int result = 0;
  // "Module.Function(arg, arg) = result"
  std::string Text() const {
    std::string out = module + "." + function + "(";
    for (std::size_t i = 0; i < args.size(); ++i) out += (i ? ", " : "") + args[i];
    return out + ") = " + std::to_string(result);
  }
  // "Module.Function"
  std::string Name() const { return module + "." + function; }
};

// The folder of a set of fakes:
//   "normal"              all four fakes with every function;
//   "no-checker"          the back-end fakes; ZkDBFlVerChk.dll cannot be loaded;
//   "unloadable"          none of the four can be loaded;
//   "without-<Function>"  all four, the ones that have <Function> without it (Initialize, Finalize, ExecuteSQL,
//                         Vaccum, ReadCar, WriteCar, ReadImage, WriteImage, ReadImageAnnotation,
//                         WriteImageAnnotation, CheckDBVer, GetConvertSQL, WriteDBVersionINI).
inline std::string FakesFolder(const std::string& variant) {
#ifdef VEK_OUTSIDE_FAKES_DIR
  std::string root = VEK_OUTSIDE_FAKES_DIR;
#else
  const char* binary = std::getenv("VEK_BINARY_DIR");
  std::string root = std::string(binary ? binary : ".") + "/lib/fakes";
#endif
  return root + "/" + variant;
}

class Scenario {
 public:
  // stateFolder (a system path) is created and emptied; the fakes keep their control file, log and tables there.
  explicit Scenario(std::string stateFolder, const std::string& variant = "normal")
      : folder_(std::move(stateFolder)) {
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    Save("VEK_MODULE_PATH", savedPath_, hadPath_);
    Save("VEK_FAKE_OUTSIDE", savedFake_, hadFake_);
    setenv("VEK_MODULE_PATH", FakesFolder(variant).c_str(), 1);
    setenv("VEK_FAKE_OUTSIDE", folder_.c_str(), 1);
  }
  ~Scenario() {
    Restore("VEK_MODULE_PATH", savedPath_, hadPath_);
    Restore("VEK_FAKE_OUTSIDE", savedFake_, hadFake_);
  }
  Scenario(const Scenario&) = delete;
  Scenario& operator=(const Scenario&) = delete;

  const std::string& folder() const { return folder_; }

  // A line "Module.key=value" of the control file; a later line for the same key wins.
  void Set(const std::string& module, const std::string& key, const std::string& value) {
    std::ofstream(folder_ + "/control.txt", std::ios::app) << module << "." << key << "=" << Escape(value) << "\n";
  }
  // Every call of the function returns result; a result other than 1 writes code (default E29999999).
  void SetResult(const std::string& module, const std::string& function, int result, const std::string& code = "") {
    Set(module, function, std::to_string(result));
    if (!code.empty()) Set(module, function + ".Code", code);
  }
  // Only the nth call (from 1, counted over the scenario) of the function returns result.
  void SetResultOfCall(const std::string& module, const std::string& function, int n, int result,
                       const std::string& code = "") {
    Set(module, function + "@" + std::to_string(n), std::to_string(result));
    if (!code.empty()) Set(module, function + ".Code", code);
  }
  // The size query of a read function answers count, whatever the table holds.
  void SetCount(const std::string& module, const std::string& readFunction, int count) {
    Set(module, readFunction + ".Count", std::to_string(count));
  }
  // The checker's CheckDBVer(.., dbId) answers statements.size(), and GetConvertSQL fills the slots with them.
  void SetConversion(int dbId, const std::vector<std::string>& statements) {
    Set("ZkDBFlVerChk", "CheckDBVer." + std::to_string(dbId), std::to_string(statements.size()));
    for (std::size_t i = 0; i < statements.size(); ++i) {
      Set("ZkDBFlVerChk", "Statement." + std::to_string(dbId) + "." + std::to_string(i + 1), statements[i]);
    }
  }
  // The records a table of a fake back-end holds (as bytes, count x record size).
  void SetTable(const std::string& module, const std::string& table, const std::string& records) {
    std::ofstream(TablePath(module, table), std::ios::binary | std::ios::trunc) << records;
  }
  std::string Table(const std::string& module, const std::string& table) const {
    std::ifstream in(TablePath(module, table), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  std::vector<Call> Calls() const {
    std::vector<Call> out;
    std::ifstream in(folder_ + "/calls.log", std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
      std::vector<std::string> fields;
      std::size_t start = 0;
      for (;;) {
        std::size_t tab = line.find('\t', start);
        fields.push_back(Unescape(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start)));
        if (tab == std::string::npos) break;
        start = tab + 1;
      }
      if (fields.size() < 3 || fields.back().empty() || fields.back()[0] != '=') continue;
      Call call;
      call.module = fields[0];
      call.function = fields[1];
      call.args.assign(fields.begin() + 2, fields.end() - 1);
      call.result = std::atoi(fields.back().c_str() + 1);
      out.push_back(std::move(call));
    }
    return out;
  }
  std::vector<std::string> CallTexts() const {
    std::vector<std::string> out;
    for (const Call& c : Calls()) out.push_back(c.Text());
    return out;
  }
  std::vector<std::string> CallNames() const {
    std::vector<std::string> out;
    for (const Call& c : Calls()) out.push_back(c.Name());
    return out;
  }
  // Forgets the recorded calls (call numbers for SetResultOfCall start again at 1).
  void ClearCalls() { std::filesystem::remove(folder_ + "/calls.log"); }

 private:
  std::string TablePath(const std::string& module, const std::string& table) const {
    return folder_ + "/" + module + "." + table + ".bin";
  }
  static void Save(const char* name, std::string& value, bool& had) {
    const char* v = std::getenv(name);
    had = v != nullptr;
    value = v ? v : "";
  }
  static void Restore(const char* name, const std::string& value, bool had) {
    if (had) {
      setenv(name, value.c_str(), 1);
    } else {
      unsetenv(name);
    }
  }

  std::string folder_;
  std::string savedPath_, savedFake_;
  bool hadPath_ = false, hadFake_ = false;
};

}  // namespace fake_outside
