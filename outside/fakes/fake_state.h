// What the fakes of the outside libraries share: the folder named by $VEK_FAKE_OUTSIDE holds
//   control.txt  lines "Module.Function=result", "Module.Function@N=result" (the Nth call only),
//                "Module.Function.Code=E........" (the code written on failure) and other settings;
//   calls.log    one line per call: module, function, arguments and "=result", separated by TABs;
//   <Module>.<Table>.bin  the records of a table.
// The fakes are test code: they use plain stdio, never the system's file layer and its fault points.
// Without $VEK_FAKE_OUTSIDE every function succeeds, tables are empty and nothing is recorded.
#pragma once

#include <string>
#include <vector>

#include "fake_log_format.h"

namespace fake_outside {

// One call of a fake function: its number among the recorded calls of the same function, its arguments,
// the result the control file sets for it, and the line it logs.
class FakeCall {
 public:
  FakeCall(const char* module, const char* function);
  void Arg(const std::string& value) { args_.push_back(value); }
  void Arg(long long value) { args_.push_back(std::to_string(value)); }
  void ArgPointer(const void* p) { args_.push_back(p ? "buffer" : "null"); }
  void ArgText(const char* text) { args_.push_back(text ? text : "(null)"); }
  // The control value for this call ("@N" first), else for the function, else fallback.
  int Result(int fallback) const;
  // A setting "Module.<key>" of the control file.
  std::string Setting(const std::string& key, const std::string& fallback) const;
  int IntSetting(const std::string& key, int fallback) const;
  std::string Code() const;
  // Appends the call to calls.log with its result.
  void Log(int result) const;
  // The file of a table's records; empty when there is no fake folder.
  std::string TablePath(const char* table) const;

 private:
  std::string module_, function_, folder_;
  std::vector<std::string> args_;
  std::vector<std::pair<std::string, std::string>> control_;
  int number_ = 1;
};

// Whole file (empty when missing) and replacement of a whole file.
std::string ReadWhole(const std::string& path);
bool WriteWhole(const std::string& path, const void* data, std::size_t size);

}  // namespace fake_outside
